// SPDX-License-Identifier: GPL-3.0-or-later
#include "detail/link_copy.h"

#include <utility>

#include "web/pattern_matcher.h"

namespace {

const PatternMatcher& RedirectMatcher() {  // compiled on first use, as the result matcher is
  static const PatternMatcher matcher(kRedirectPattern, PatternMatcher::Mode::kFirstMatch);
  return matcher;
}

std::string LinkPageUrl(const std::string& siteBase, std::string_view href) {
  return siteBase + std::string(href);
}

}  // namespace

std::optional<std::string> ResolveLink(std::string_view href, const std::string& siteBase,
                                       const PageSource& source) {
  return ExtractFinalLink(source(LinkPageUrl(siteBase, href)));
}

std::optional<std::string> ExtractFinalLink(std::string pageText) {
  std::vector<Match> matches = RedirectMatcher().Execute(RemoveLineFeeds(std::move(pageText)));
  if (matches.empty()) return std::nullopt;
  return std::move(matches.front().subMatches[0]);
}
