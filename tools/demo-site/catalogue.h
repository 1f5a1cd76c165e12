// SPDX-License-Identifier: GPL-3.0-or-later
// The demo catalogue: a deterministic sample of the catalogue site, in the markup that Quillon
// reads. The demo server serves these pages and the tests use them as fixtures.
//
//   std::string page = DemoCatalogue::ResultPage("中文", 2);   // GBK bytes
//   std::string entry = DemoCatalogue::EntryPage(DemoCatalogue::EntryId("中文", 1, 0));
//
// For any keyword there are four result pages of kEntriesPerPage entries whose titles contain the
// keyword, eMule and torrent entries mixed; page 2 is encoded in GBK, every other page in UTF-8.
// An entry id names its keyword, page and place, so entry and link pages need no stored state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace DemoCatalogue {

inline constexpr int kResultPages = 4;
inline constexpr int kEntriesPerPage = 22;
inline constexpr int kGbkPage = 2;

// The entry id of entry `index` (from 0) on result page `page` (1 to 4) for `keyword` (UTF-8).
std::string EntryId(std::string_view keyword, int page, int index);

// The title an entry has on the result page, as the page's text holds it (HTML-escaped).
std::string EntryTitle(std::string_view keyword, int page, int index);

// True when entry `index` of a page is an eMule entry (the others are torrents).
bool IsEmuleEntry(int index);

// Result page `page` for `keyword` as the bytes the server sends: GBK for kGbkPage, else UTF-8.
std::string ResultPage(std::string_view keyword, int page);

// The same page with `entries` entries instead of kEntriesPerPage, to measure larger pages.
// Entries past kEntriesPerPage have no entry page.
std::string ResultPage(std::string_view keyword, int page, int entries);

// The number of link blocks on the entry page of `entryId`, or nothing for an unknown id.
std::optional<int> LinkCount(std::string_view entryId);

// The href of link `link` (from 0) of an entry, relative to the site base address.
std::string LinkHref(std::string_view entryId, int link);

// The final link that link `link` of an entry redirects to.
std::string FinalLink(std::string_view entryId, int link);

// The entry page of `entryId` (UTF-8), or nothing for an id that the catalogue never gave out.
std::optional<std::string> EntryPage(std::string_view entryId);

// The entry page with `links` link blocks instead of its own number, to measure larger pages.
std::optional<std::string> EntryPage(std::string_view entryId, int links);

// The link page of link `link` of an entry (UTF-8), with its script redirect, or nothing.
std::optional<std::string> LinkPage(std::string_view entryId, int link);

// `utf8` encoded as GBK (GB18030 for what GBK lacks).
std::string ToGbk(std::string_view utf8);

}  // namespace DemoCatalogue
