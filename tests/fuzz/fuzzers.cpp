// SPDX-License-Identifier: GPL-3.0-or-later
// The libFuzzer targets: what must hold beyond "no crash" for any input. Each target is this file
// built with QUILLON_FUZZ_TARGET naming one of the functions below; a violated property aborts,
// which libFuzzer reports as a crash, keeping the input.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "search/keyword_search.h"
#include "web/module1.h"
#include "web/pattern_matcher.h"

namespace {

using Strings = std::vector<std::string>;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// `page` with k, s and the bytes 1 to 4 written as letters that case folding takes for k, s or i
// (KELVIN SIGN, LONG S, then dotted I and dotless i), so a mutation can put them where \w reads.
std::string WithFoldingLetters(std::string_view page) {
  static const std::map<char, std::string> kLetters = {
      {'k', "\u212A"}, {'s', "\u017F"}, {1, "\u212A"}, {2, "\u017F"}, {3, "\u0130"}, {4, "\u0131"}};
  std::string out;
  for (const char c : page) out += kLetters.contains(c) ? kLetters.at(c) : std::string(1, c);
  return out;
}

// The same matches and groups from the layered matcher as from RE2 alone.
void RequireSame(const PatternMatcher& layered, const PatternMatcher& reference,
                 const std::string& text) {
  std::vector<Strings> found, expected;
  for (const Match& m : layered.Execute(text)) found.push_back(m.subMatches);
  for (const Match& m : reference.Execute(text)) expected.push_back(m.subMatches);
  Require(found == expected, "the matches and groups RE2 alone finds");
}

// The layered matcher finds the same matches and groups as RE2 alone, for each catalogue pattern,
// in a page as the program reads it (no line feeds) and as it came; with letters that case
// folding takes for k, s and i; after an invalid byte; and after openings that spend the windows'
// budget, so that RE2 answers the rest.
[[maybe_unused]] void Differential(std::string_view page) {
  using Mode = PatternMatcher::Mode;
  constexpr auto kRe2 = PatternMatcher::Engine::kRe2;
  static const PatternMatcher kMatchers[][2] = {
      {{kResultPattern, Mode::kFindAll}, {kResultPattern, Mode::kFindAll, kRe2}},
      {{kEntryPattern, Mode::kFindAll}, {kEntryPattern, Mode::kFindAll, kRe2}},
      {{kRedirectPattern, Mode::kFirstMatch}, {kRedirectPattern, Mode::kFirstMatch, kRe2}}};
  std::string openings;
  for (int i = 0; i < 64; ++i) openings += "<a href=\"/entry/<input type=\"checkbox\" value=\"";
  const std::string flat = RemoveLineFeeds(std::string(page));
  const std::string texts[] = {flat, std::string(page), WithFoldingLetters(flat), "\xFF" + flat,
                               openings + flat};
  for (const std::string& text : texts) {
    for (const auto& [layered, reference] : kMatchers) RequireSame(layered, reference, text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QUILLON_FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
