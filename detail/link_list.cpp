// SPDX-License-Identifier: GPL-3.0-or-later
#include "detail/link_list.h"

#include <utility>

#include "search/keyword_search.h"
#include "web/pattern_matcher.h"

namespace {

const PatternMatcher& EntryMatcher() {  // compiled on first use, as the result matcher is
  static const PatternMatcher matcher(kEntryPattern, PatternMatcher::Mode::kFindAll);
  return matcher;
}

std::string EntryPageUrl(const std::string& siteBase, std::string_view entryId) {
  return siteBase + "entry/" + std::string(entryId) + "/";
}

}  // namespace

std::vector<LinkRow> LoadLinks(std::string_view typeLabel, std::string_view entryId,
                               const std::string& siteBase, const PageSource& source) {
  if (typeLabel != kEmuleLabel) return {};
  return ExtractLinkRows(source(EntryPageUrl(siteBase, entryId)));
}

std::vector<LinkRow> ExtractLinkRows(std::string pageText) {
  std::vector<LinkRow> rows;
  for (Match& match : EntryMatcher().Execute(RemoveLineFeeds(std::move(pageText)))) {
    auto& sub = match.subMatches;
    rows.push_back({std::string(kCopyLinkMark) + sub[1], std::move(sub[2]),
                    std::string(kEmuleLabel), std::move(sub[0])});
  }
  return rows;
}
