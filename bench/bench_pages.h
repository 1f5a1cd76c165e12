// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the benchmarks measure, made from the demo catalogue's generator so that Quillon and
// the Python peer read exactly the same bytes (bench.sh writes them to files for the peer).
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace BenchPages {

// The page text of a search as the extraction sees it: the four result pages for "demo",
// decoded and joined, with `entriesPerPage` entries on each page.
std::string SearchText(int entriesPerPage);

// An entry page with `links` link blocks.
std::string EntryText(int links);

// A page of result-list openings whose closing tag never comes, `bytes` long.
std::string WorstCaseText(std::size_t bytes);

// 1 MB of such openings, then the real result pages of SearchText(22): the first match runs from
// the first opening to the first close, a span of a megabyte whose groups must be placed.
std::string OpeningsBeforePageText();

// 1 MB of link-block checkboxes whose link never comes, then the entry page of EntryText(50): the
// first match runs from the first checkbox to the page's first link, a megabyte on.
std::string CheckboxesBeforeEntryText();

// The hostile families by name ("titles", "untyped", "checkboxes", "redirects"), `bytes` long.
std::string HostileText(const std::string& family, std::size_t bytes);
inline constexpr const char* kHostileFamilies[] = {"titles", "untyped", "checkboxes", "redirects"};

// About `bytes` of catalogue HTML as the server sends it: UTF-8, or the same text in GBK.
std::string Utf8Html(std::size_t bytes);
std::string GbkHtml(std::size_t bytes);

// The worst-case page sizes measured, in bytes.
inline constexpr std::size_t kWorstCaseSizes[] = {256u << 10, 512u << 10, 1u << 20, 2u << 20,
                                                  4u << 20};

// Every text above under the file name the peer reads it by.
std::map<std::string, std::string> AllTexts();

}  // namespace BenchPages
