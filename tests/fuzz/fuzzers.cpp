// SPDX-License-Identifier: GPL-3.0-or-later
// The libFuzzer targets: what must hold beyond "no crash" for any input. Each target is this file
// built with QUILLON_FUZZ_TARGET naming one of the functions below; a violated property aborts,
// which libFuzzer reports as a crash, keeping the input.
#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
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

// Well-formed as ICU reads it: no stray, overlong or surrogate bytes.
bool IsValidUtf8(std::string_view text) {
  UErrorCode error = U_ZERO_ERROR;
  u_strFromUTF8(nullptr, 0, nullptr, text.data(), static_cast<int32_t>(text.size()), &error);
  return error != U_INVALID_CHAR_FOUND;
}

// Decoded text is valid UTF-8, and a body that already is comes back unchanged.
[[maybe_unused]] void Decode(std::string_view body) {
  const std::string text = Module1::DecodeResponse(body);
  Require(IsValidUtf8(text), "decoded text is valid UTF-8");
  if (Module1::DetectUtf8(body) && IsValidUtf8(body) && !body.starts_with("\xEF\xBB\xBF")) {
    Require(text == body, "a valid UTF-8 body is kept as it is");
  }
}

// Every text a row takes from the page is a run of the page's text without line feeds.
[[maybe_unused]] void Extract(std::string_view page) {
  const std::string flat = RemoveLineFeeds(page);
  const auto fromPage = [&flat](std::string_view part) {
    Require(part.find('\n') == part.npos && flat.find(part) != flat.npos,
            "a captured text is a run of the page without line feeds");
  };
  for (const ResultRow& row : ExtractResultRows(page)) {
    fromPage(row.title);
    fromPage(row.entryId);
    Require(row.typeLabel == kEmuleLabel, "only eMule entries become rows");
  }
  for (const LinkRow& row : ExtractLinkRows(page)) {
    Require(row.text.starts_with(kCopyLinkMark), "a link row starts with the copy mark");
    fromPage(std::string_view(row.text).substr(kCopyLinkMark.size()));
    fromPage(row.size);
    fromPage(row.href);
  }
  if (const auto link = ExtractFinalLink(page)) fromPage(*link);
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
                 const std::string& text, const std::string& pattern = "") {
  std::vector<Strings> found, expected;
  for (const Match& m : layered.Execute(text)) found.push_back(m.subMatches);
  for (const Match& m : reference.Execute(text)) expected.push_back(m.subMatches);
  if (found != expected) std::fprintf(stderr, "pattern: %s\n", pattern.c_str());
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
  const std::string flat = RemoveLineFeeds(page);
  const std::string texts[] = {flat, std::string(page), WithFoldingLetters(flat), "\xFF" + flat,
                               openings + flat};
  for (const std::string& text : texts) {
    for (const auto& [layered, reference] : kMatchers) RequireSame(layered, reference, text);
  }
}

// A pattern made from the input's first bytes (the rest is the text): a literal prefix, then atoms
// (literals, ".", \w, \d and their negations, bracket classes with a leading ']', negation,
// escapes, ranges and "[:alpha:]", groups) with greedy or lazy quantifiers. Always valid.
std::string GeneratedPattern(std::string_view& input) {
  static const char* const kPrefixes[] = {"<", "id=", "<a ", "<k", "x"};
  static const char* const kAtoms[] = {"a", "k", "s",   "<",   ">",   "=",   "\"", "'", "(",
                                       ")", ".", "\\w", "\\d", "\\W", "\\D", "中", " ", "1"};
  static const char* const kMembers[] = {"a", "k",   "S",   "-",   "\\w", "\\d", "\\]", "[:alpha:]",
                                         "[", "x-z", "0-9", "?-i", "<",   "(",   "\\W", "中"};
  static const char* const kQuantifiers[] = {"", "", "*", "+", "?", "*?", "+?", "??"};
  const auto next = [&input] {
    const unsigned char byte = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
    if (!input.empty()) input.remove_prefix(1);
    return byte;
  };
  std::string pattern = kPrefixes[next() % std::size(kPrefixes)];
  for (int atoms = next() % 8 + 1, open = 0; atoms > 0 || open > 0; --atoms) {
    const unsigned char kind = next();
    if (atoms <= 0 || (kind % 6 == 5 && open > 0)) {
      pattern += ")";
      --open;
    } else if (kind % 6 == 4) {
      pattern += "(";
      ++open;
      continue;
    } else if (kind % 6 == 3) {
      // A '-' beside a range makes another, and "[:alpha:]" ends the class: they go last.
      std::string members, last;
      for (int n = next() % 3 + 1; n > 0; --n) {
        const std::string member = kMembers[next() % std::size(kMembers)];
        member == "-" || member.starts_with("[:") ? last = member : members += member;
      }
      pattern += std::string("[") + (kind & 0x40 ? "^" : "") + (kind & 0x80 ? "]" : "") + members +
                 last + "]";
    } else {
      pattern += kAtoms[next() % std::size(kAtoms)];
      if (pattern.back() == '(' || pattern.back() == ')') pattern.insert(pattern.size() - 1, "\\");
    }
    pattern += kQuantifiers[next() % std::size(kQuantifiers)];
  }
  return pattern;
}

// For generated patterns, the layered matcher finds the same matches as RE2 alone, in the text as
// it came, with folding letters, and after an invalid byte.
[[maybe_unused]] void Patterns(std::string_view input) {
  const std::string pattern = GeneratedPattern(input);
  const PatternMatcher layered(pattern, PatternMatcher::Mode::kFindAll),
      reference(pattern, PatternMatcher::Mode::kFindAll, PatternMatcher::Engine::kRe2);
  for (const std::string& text :
       {std::string(input), WithFoldingLetters(input), "\xFF" + std::string(input)})
    RequireSame(layered, reference, text, pattern);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QUILLON_FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
