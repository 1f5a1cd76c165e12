// SPDX-License-Identifier: GPL-3.0-or-later
// Pages built to make a backtracking regex engine explode: thousands of blocks that open a
// match whose closing part never comes, so such an engine scans to the end of the page from
// every one of them. The tests check that they still give the right rows; the benchmarks time
// them. And a page built to take memory: as large as a page may be.
//
//   std::string page = ReadTestData("results_page1.html") + HostilePages::UnclosedTitles(1 << 20);
#pragma once

#include <cstddef>
#include <string>

namespace HostilePages {

// Result-list openings `<a href="/entry/xN/"><div class="title">` with no closing tag.
std::string UnclosedTitles(std::size_t bytes);

// Whole result titles `...</div></a>` with no type block after them.
std::string TitlesWithoutType(std::size_t bytes);

// Link-block openings, the `selectemule` checkbox, with no link after them.
std::string CheckboxesWithoutLink(std::size_t bytes);

// Redirect openings `location.href='` with no closing quote and comma.
std::string UnclosedRedirects(std::size_t bytes);

// `bytes` of GBK text, Chinese characters between markup, whose decoded text is longer than the
// page: a page at the size limit that every step of reading it makes larger.
std::string LargeGbkPage(std::size_t bytes);

}  // namespace HostilePages
