// SPDX-License-Identifier: GPL-3.0-or-later
// Link list loading: a result row in, the link rows of its entry page out.
//
//   std::vector<LinkRow> rows = LoadLinks("电驴", "abc_1", siteBase, NetworkPageSource());
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "web/page_source.h"

// The mark before every link name, telling the user what a press on the row does.
inline constexpr std::string_view kCopyLinkMark = "【点击复制链接】";

// The entry-page pattern. Sub-matches: 0 href, 1 link name, 2 size text.
inline constexpr std::string_view kEntryPattern =
    R"re(<input type="checkbox" value="\w+" name="selectemule".*?<a target="_blank" href="(.*?)">(.*?)</a>.*?" title="\d+">(.*?)</td>)re";

// One row of the detail list. Every captured text is kept verbatim.
struct LinkRow {
  std::string text;       // the row text: kCopyLinkMark followed by the link name
  std::string size;       // sub-item 1
  std::string typeLabel;  // sub-item 2: always the eMule label
  std::string href;       // sub-item 3: what link copying fetches
  friend bool operator==(const LinkRow&, const LinkRow&) = default;
};

// When `typeLabel` is exactly the eMule label, fetches the entry page of `entryId` and returns a
// row per link block, in page order; otherwise requests nothing and returns no rows. A page that
// cannot be fetched, or holds no link block, gives no rows.
std::vector<LinkRow> LoadLinks(std::string_view typeLabel, std::string_view entryId,
                               const std::string& siteBase, const PageSource& source);

// The rows that the entry-page pattern finds in `pageText`, once its line feeds are removed (in
// place).
std::vector<LinkRow> ExtractLinkRows(std::string pageText);
