// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword search: a keyword in, the eMule entries of the catalogue's first four result pages
// out, as plain rows for the result list.
//
//   std::vector<ResultRow> rows = KeywordSearch(u"中文", "http://127.0.0.1:8750/",
//   NetworkPageSource());
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "web/page_source.h"

// The type label of every row the search gives; the detail window loads links only for it.
inline constexpr std::string_view kEmuleLabel = "电驴";

// The result pattern. Sub-matches: 0 entry id, 1 title, 2 type image file name, 3 total size
// (not shown).
inline constexpr std::string_view kResultPattern =
    R"re(<a href="/entry/(\w+)/"><div class="title">(.*?)</div></a>.*?<div class="type"><b>资源类型</b>: <i><img src='/static/img/(.*?)'.*?<div class="total-size"><b>文件大小</b>: <i>(.*?)</i></div>)re";

// One row of the result list. Every text is taken from the page verbatim.
struct ResultRow {
  std::string title;      // the row text
  std::string typeLabel;  // sub-item 1: always kEmuleLabel
  std::string entryId;    // sub-item 2: word characters only
  friend bool operator==(const ResultRow&, const ResultRow&) = default;
};

// Fetches the four result pages for `keyword`, one after the other and all four even when one
// fails, joins their texts with nothing between them and returns a row for every entry whose type
// image is exactly "emule.png", in page order. Duplicates are kept. An empty keyword requests
// nothing and gives no rows; a keyword of blanks is searched like any other.
std::vector<ResultRow> KeywordSearch(std::u16string_view keyword, const std::string& siteBase,
                                     const PageSource& source);

// The rows that the result pattern finds in the joined page text of one search, once its line
// feeds are removed (in place: pass a text that is no longer needed by moving it).
std::vector<ResultRow> ExtractResultRows(std::string pageText);
