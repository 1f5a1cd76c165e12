// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/keyword_search.h"

#include <array>
#include <utility>

#include "web/module1.h"
#include "web/pattern_matcher.h"

namespace {

constexpr int kResultPages = 4;
constexpr std::string_view kEmuleImage = "emule.png";

// Compiled on first use rather than at start-up, where the pattern engines would cost time
// before the window shows.
const PatternMatcher& ResultMatcher() {
  static const PatternMatcher matcher(kResultPattern, PatternMatcher::Mode::kFindAll);
  return matcher;
}

std::string ResultPageUrl(const std::string& siteBase, const std::string& encodedKeyword,
                          int page) {
  return siteBase + "search/entry/?query=" + encodedKeyword +
         "&flag=1-1&page=" + std::to_string(page);
}

}  // namespace

std::vector<ResultRow> KeywordSearch(std::u16string_view keyword, const std::string& siteBase,
                                     const PageSource& source) {
  if (keyword.empty()) return {};
  const std::string encoded = Module1::PercentEncodeQuery(keyword);
  std::array<std::string, kResultPages> pages;
  std::size_t size = 0;
  for (int page = 1; page <= kResultPages; ++page) {
    pages[page - 1] = source(ResultPageUrl(siteBase, encoded, page));
    size += pages[page - 1].size();
  }
  // Joined into room made once, each page given back as it is copied: a search holds its pages'
  // text about twice at most, never the growing copies of an appending loop.
  std::string pageText;
  pageText.reserve(size);
  for (std::string& page : pages) pageText += std::exchange(page, std::string());
  return ExtractResultRows(std::move(pageText));
}

std::vector<ResultRow> ExtractResultRows(std::string pageText) {
  std::vector<ResultRow> rows;
  for (Match& match : ResultMatcher().Execute(RemoveLineFeeds(std::move(pageText)))) {
    auto& sub = match.subMatches;
    if (sub[2] != kEmuleImage) continue;
    rows.push_back({std::move(sub[1]), std::string(kEmuleLabel), std::move(sub[0])});
  }
  return rows;
}
