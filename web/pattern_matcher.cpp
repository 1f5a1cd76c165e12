// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/pattern_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <re2/re2.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// The pattern as PCRE2 code, anchored where it is asked to match.
struct PatternMatcherPcre {
  pcre2_code* code = nullptr;
  ~PatternMatcherPcre() { pcre2_code_free(code); }
};

namespace {

// PCRE2's steps per byte of a match RE2 found before RE2 takes over placing the groups.
constexpr uint32_t kStepsPerByte = 16;
constexpr uint32_t kMinimumSteps = 10'000;
// A window is twice the longest match so far, and at least 512 bytes; PCRE2 may take four steps
// per byte of it. All the windows of a text together cover at most four times the text, so
// PCRE2's work stays linear in the text whatever the page holds.
constexpr std::size_t kWindowPerMatch = 2;
constexpr std::size_t kMinimumWindow = 512;
constexpr std::size_t kWindowsPerByte = 4;
constexpr uint32_t kStepsPerWindowByte = 4;

re2::RE2::Options MatcherOptions() {
  re2::RE2::Options options;
  options.set_case_sensitive(false);
  options.set_log_errors(false);
  options.set_dot_nl(false);
  options.set_never_nl(false);
  options.set_longest_match(false);
  return options;
}

// An empty match would be found again at the same place, so the search steps over one whole
// UTF-8 character after it.
std::size_t NextCharacter(std::string_view text, std::size_t at) {
  ++at;
  while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  return at;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `pattern` as RE2 is to read it, and whether PCRE2 reads it alike. Under case-insensitive
// matching RE2 folds the word class onto U+212A KELVIN SIGN and U+017F LONG S (they fold to k and
// s), so \w, \W, \d and \D outside brackets are given to it case-sensitively: the classes are
// ASCII, and their case changes nothing else. PCRE2 reads otherwise "$" (it also matches before a
// final line feed), letter escapes such as "\s" (it counts a vertical tab as a blank), \b, which
// looks at the character before a match unchecked, and capturing groups inside a repetition (it
// keeps what an empty last repetition captured otherwise); and bracket classes, below.
struct Re2Reading {
  std::string pattern;
  bool readAlikeByPcre = true;
};

bool AsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char OtherCase(char c) { return static_cast<char>(c ^ 0x20); }

// The other case of the letters from `low` to `high`, as class members.
std::string OtherCaseRange(char low, char high) {
  std::string members;
  for (const auto& [first, last] : {std::pair{'A', 'Z'}, std::pair{'a', 'z'}}) {
    const char from = std::max(low, first), to = std::min(high, last);
    if (from <= to) members += std::string{OtherCase(from), '-', OtherCase(to)};
  }
  return members;
}

// The bracket class at `i` (its '[') as the platform's regular-expression component reads it: a
// ']' first (after an optional '^') is a member, a backslash escape is one member, and "[:alpha:]"
// is no class name but the characters it is written with. RE2 gets it case-sensitively, with the
// other case of each ASCII letter added, so that the class stays ASCII as \w and \d are. PCRE2
// reads a class alike only without letters, escapes of letters and "[:", "[." or "[=". Returns
// where the class ends (its ']').
std::size_t ReadClass(std::string_view pattern, std::size_t i, Re2Reading& reading) {
  std::string members, otherCase;
  std::string open = "(?-i:[";
  if (++i < pattern.size() && pattern[i] == '^') open += pattern[i++];
  for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); ++i, first = false) {
    const char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      const char escaped = pattern[++i];
      if (std::isalnum(static_cast<unsigned char>(escaped))) reading.readAlikeByPcre = false;
      members += std::string{'\\', escaped};
      continue;
    }
    const bool range = c == '-' && !first && i + 1 < pattern.size() && pattern[i + 1] != ']' &&
                       !(pattern[i - 1] & 0x80) && pattern[i + 1] != '\\' &&
                       !(pattern[i + 1] & 0x80);
    if (range) {
      const std::string letters = OtherCaseRange(pattern[i - 1], pattern[i + 1]);
      if (!letters.empty()) reading.readAlikeByPcre = false;
      otherCase += letters;
      members += std::string{'-', pattern[++i]};
      continue;
    }
    if (c == '[' && i + 1 < pattern.size() && std::strchr(":.=", pattern[i + 1]) != nullptr) {
      reading.readAlikeByPcre = false;
    }
    if (AsciiLetter(c)) {
      reading.readAlikeByPcre = false;
      otherCase += OtherCase(c);
    }
    members += std::strchr("[]-", c) != nullptr ? std::string{'\\', c} : std::string{c};
  }
  reading.pattern += open + members + otherCase + "])";
  return i;
}

Re2Reading ReadForRe2(std::string_view pattern) {
  Re2Reading reading;
  std::vector<bool> captures;  // for each open group: whether it or a group inside it captures
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '$') reading.readAlikeByPcre = false;
    if (c == '(') captures.push_back(i + 1 < pattern.size() && pattern[i + 1] != '?');
    if (c == ')' && !captures.empty()) {
      const bool captured = captures.back();
      captures.pop_back();
      if (captured && !captures.empty()) captures.back() = true;
      if (captured && i + 1 < pattern.size() && std::strchr("*+?{", pattern[i + 1]) != nullptr) {
        reading.readAlikeByPcre = false;
      }
    }
    if (c == '[') {
      i = ReadClass(pattern, i, reading);
      continue;
    }
    if (c != '\\' || i + 1 == pattern.size()) {
      reading.pattern += c;
      continue;
    }
    const char escaped = pattern[++i];
    const bool wordOrDigit = std::string_view("wWdD").find(escaped) != std::string_view::npos;
    if (std::isalnum(static_cast<unsigned char>(escaped)) && !wordOrDigit) {
      reading.readAlikeByPcre = false;
    }
    reading.pattern += wordOrDigit ? "(?-i:\\" : "\\";
    reading.pattern += escaped;
    if (wordOrDigit) reading.pattern += ')';
  }
  return reading;
}

// The literal text every match begins with, lower-cased: the leading characters up to the first
// metacharacter, less a character a quantifier makes optional. It stops before 'k' and 's', which
// RE2 also matches to U+212A KELVIN SIGN and U+017F LONG S, and before any non-ASCII byte. A
// pattern with an alternative has none.
std::string LiteralPrefix(std::string_view pattern) {
  if (pattern.find('|') != std::string_view::npos) return {};
  std::string prefix;
  for (const char c : pattern) {
    if (std::string_view("?*{").find(c) != std::string_view::npos && !prefix.empty()) {
      prefix.pop_back();
    }
    if (std::string_view("\\.^$?*+()[]{}").find(c) != std::string_view::npos || (c & 0x80)) break;
    if (Lower(c) == 'k' || Lower(c) == 's') break;
    prefix += Lower(c);
  }
  return prefix;
}

// Where `prefix` (lower-case ASCII) next stands in `text`, in any case, at or after `from`.
std::size_t FindPrefix(std::string_view text, std::string_view prefix, std::size_t from) {
  const bool letter = prefix[0] >= 'a' && prefix[0] <= 'z';
  for (std::size_t at = from; at + prefix.size() <= text.size(); ++at) {
    if (!letter) {  // markup: memchr finds the next '<' many bytes at a time
      const void* first = std::memchr(text.data() + at, prefix[0], text.size() - at);
      if (first == nullptr) break;
      at = static_cast<std::size_t>(static_cast<const char*>(first) - text.data());
      if (at + prefix.size() > text.size()) break;
    } else if (Lower(text[at]) != prefix[0]) {
      continue;
    }
    std::size_t i = 1;
    while (i < prefix.size() && Lower(text[at + i]) == prefix[i]) ++i;
    if (i == prefix.size()) return at;
  }
  return std::string_view::npos;
}

std::unique_ptr<PatternMatcherPcre> CompilePcre(std::string_view pattern) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);  // "." matches every character but a line feed
  auto pcre = std::make_unique<PatternMatcherPcre>();
  pcre->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                             PCRE2_CASELESS | PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, context);
  pcre2_compile_context_free(context);
  if (pcre->code == nullptr) return nullptr;  // RE2 alone then, as for a pattern without prefix
  pcre2_jit_compile(pcre->code, PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD);
  return pcre;
}

// PCRE2's memory for the matches of one text, made once rather than for every match.
struct PcreScratch {
  explicit PcreScratch(const pcre2_code* code)
      : data(pcre2_match_data_create_from_pattern(code, nullptr)),
        context(pcre2_match_context_create(nullptr)) {}
  ~PcreScratch() {
    pcre2_match_context_free(context);
    pcre2_match_data_free(data);
  }
  PcreScratch(const PcreScratch&) = delete;
  PcreScratch& operator=(const PcreScratch&) = delete;
  pcre2_match_data* data;
  pcre2_match_context* context;
};

// The groups of the match PCRE2 found in `text`.
Match PcreGroups(const PcreScratch& scratch, int found, std::string_view text, int groups) {
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(scratch.data);
  Match match;
  match.subMatches.reserve(static_cast<std::size_t>(groups));
  for (int g = 1; g <= groups; ++g) {
    const bool took = g < found && ovector[2 * g] != PCRE2_UNSET;
    match.subMatches.emplace_back(
        took ? text.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g])
             : std::string_view());
  }
  return match;
}

// The groups of RE2's match in `found`, whose first piece is the whole match.
Match Re2Groups(const std::vector<re2::StringPiece>& found) {
  Match match;
  match.subMatches.reserve(found.size() - 1);
  for (std::size_t g = 1; g < found.size(); ++g) {
    match.subMatches.emplace_back(found[g].data(), found[g].size());
  }
  return match;
}

// PCRE2's result for the match that begins at `at`, reading `text` up to `end` (valid UTF-8 that
// ends on a character boundary) in at most `steps` steps. Unless `end` is the end of the text,
// hard partial matching makes PCRE2 give up as soon as a way to match that it prefers needs a
// character beyond `end`, so a match, or PCRE2_ERROR_NOMATCH, is what the whole text has there.
int PcreMatch(const pcre2_code* code, PcreScratch& scratch, std::string_view text, std::size_t at,
              std::size_t end, std::size_t steps) {
  pcre2_set_match_limit(scratch.context, static_cast<uint32_t>(std::min<std::size_t>(
                                             steps, std::numeric_limits<uint32_t>::max())));
  const uint32_t partial = end < text.size() ? PCRE2_PARTIAL_HARD : 0;
  return pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), end, at,
                     PCRE2_NO_UTF_CHECK | partial, scratch.data, scratch.context);
}

// One text as PCRE2 reads it: how far its UTF-8 has been checked and whether the check stopped
// there at an invalid character, how many bytes its windows may still cover, and the longest
// match so far.
struct PcreText {
  explicit PcreText(std::string_view t)
      : text(t), windowsLeft(kWindowsPerByte * (t.size() + kMinimumWindow)) {}
  std::string_view text;
  std::size_t checkedEnd = 0;
  bool invalidAtCheckedEnd = false;
  std::size_t windowsLeft;
  std::size_t longest = 0;
};

// Where the well-formed UTF-8 that starts at `from` ends, looking no further than `end`. Each
// character outside ASCII is judged by ICU; markup is skipped eight ASCII bytes at a time.
std::size_t ValidUtf8End(std::string_view text, std::size_t from, std::size_t end) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  std::size_t i = from;
  while (i < end) {
    std::uint64_t word;
    if (i + 8 <= end && (std::memcpy(&word, bytes + i, 8), (word & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    const std::size_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, end, c);
    if (c < 0) return start;
  }
  return i;
}

// How far from `at` (a character boundary) up to `end` the text is valid UTF-8: `end`, or the
// first byte of the first character that is invalid or that `end` cuts. Each byte is checked once
// and only where a window or span needs it, so the first match of a long page does not pay for
// the rest of it.
std::size_t ValidEnd(PcreText& t, std::size_t at, std::size_t end) {
  if (at > t.checkedEnd) {
    t.checkedEnd = at;
    t.invalidAtCheckedEnd = false;
  }
  if (end > t.checkedEnd && !t.invalidAtCheckedEnd) {
    t.checkedEnd = ValidUtf8End(t.text, t.checkedEnd, end);
    // A character `end` cuts may be whole in the text; one that is not whole in four bytes is not.
    const std::size_t whole = std::min(t.text.size(), t.checkedEnd + 4);
    t.invalidAtCheckedEnd =
        t.checkedEnd < end && ValidUtf8End(t.text, t.checkedEnd, whole) == t.checkedEnd;
  }
  return std::min(end, t.checkedEnd);
}

// PCRE2's result for the match that begins at `at`, looked for in a window of valid UTF-8 that
// ends on a character boundary; 0 when the window would take the text over its budget, or when
// no valid UTF-8 follows `at`.
int MatchInWindow(const pcre2_code* code, PcreScratch& scratch, PcreText& t, std::size_t at) {
  const std::size_t size = std::max(kMinimumWindow, kWindowPerMatch * t.longest);
  const std::size_t charge = std::max(std::min(size, t.text.size() - at), kMinimumWindow);
  if (charge > t.windowsLeft) return 0;
  t.windowsLeft -= charge;
  const std::size_t end = ValidEnd(t, at, std::min(t.text.size(), at + size));
  if (end == at) return 0;
  return PcreMatch(code, scratch, t.text, at, end, kStepsPerWindowByte * charge);
}

}  // namespace

PatternMatcher::PatternMatcher(std::string_view pattern, Mode mode, Engine engine) : m_mode(mode) {
  const Re2Reading reading = ReadForRe2(pattern);
  m_re = std::make_unique<re2::RE2>(reading.pattern, MatcherOptions());
  if (!m_re->ok()) {
    std::fprintf(stderr, "quillon: pattern does not compile: %s\n  %.*s\n", m_re->error().c_str(),
                 static_cast<int>(pattern.size()), pattern.data());
    std::abort();
  }
  if (engine == Engine::kRe2 || !reading.readAlikeByPcre) return;
  m_prefix = LiteralPrefix(pattern);
  if (!m_prefix.empty()) m_pcre = CompilePcre(pattern);
}

PatternMatcher::~PatternMatcher() = default;

std::vector<Match> PatternMatcher::Execute(std::string_view text, MatchPaths* paths) const {
  MatchPaths counted;
  std::vector<Match> matches;
  if (m_pcre) {
    matches = ExecuteLayered(text, counted);
  } else {
    counted.re2Alone = ExecuteRe2(text, 0, matches);
  }
  if (paths != nullptr) *paths = counted;
  return matches;
}

std::vector<Match> PatternMatcher::ExecuteLayered(std::string_view text, MatchPaths& paths) const {
  std::vector<Match> matches;
  const int groups = m_re->NumberOfCapturingGroups();
  PcreText state(text);
  PcreScratch scratch(m_pcre->code);
  std::vector<re2::StringPiece> found(static_cast<std::size_t>(groups) + 1);
  for (std::size_t at = FindPrefix(text, m_prefix, 0); at != std::string_view::npos;
       at = FindPrefix(text, m_prefix, at)) {
    int placed = MatchInWindow(m_pcre->code, scratch, state, at);
    if (placed == PCRE2_ERROR_NOMATCH) {
      ++at;
      continue;
    }
    std::size_t end = 0;
    if (placed > 0) {
      end = pcre2_get_ovector_pointer(scratch.data)[1];
      ++paths.window;
    } else {
      // Beyond the window, the budget or valid UTF-8, RE2 says where the match ends. When no
      // match begins here, each later attempt could cost another pass: RE2 searches the rest.
      if (!m_re->Match(text, at, text.size(), re2::RE2::ANCHOR_START, found.data(), 1)) {
        paths.re2Alone += ExecuteRe2(text, at, matches);
        return matches;
      }
      end = static_cast<std::size_t>(found[0].data() + found[0].size() - text.data());
      // PCRE2 places the groups in that span when it can, as it would in a window ending there.
      const std::size_t steps = std::max<std::size_t>(kMinimumSteps, kStepsPerByte * (end - at));
      const bool valid = ValidEnd(state, at, end) == end;
      placed = valid ? PcreMatch(m_pcre->code, scratch, text, at, end, steps) : 0;
      if (placed <= 0) {
        m_re->Match(text, at, end, re2::RE2::ANCHOR_BOTH, found.data(),
                    static_cast<int>(found.size()));
      }
      ++(placed > 0 ? paths.span : paths.re2Groups);
    }
    matches.push_back(placed > 0 ? PcreGroups(scratch, placed, text, groups) : Re2Groups(found));
    if (m_mode == Mode::kFirstMatch) break;
    state.longest = std::max(state.longest, end - at);
    at = end;
  }
  return matches;
}

std::size_t PatternMatcher::ExecuteRe2(std::string_view text, std::size_t from,
                                       std::vector<Match>& matches) const {
  const std::size_t before = matches.size();
  std::vector<re2::StringPiece> found(static_cast<std::size_t>(m_re->NumberOfCapturingGroups()) +
                                      1);
  std::size_t start = from;
  while (start <= text.size() && m_re->Match(text, start, text.size(), re2::RE2::UNANCHORED,
                                             found.data(), static_cast<int>(found.size()))) {
    matches.push_back(Re2Groups(found));
    if (m_mode == Mode::kFirstMatch) break;
    const auto end = static_cast<std::size_t>(found[0].data() + found[0].size() - text.data());
    start = found[0].empty() ? NextCharacter(text, end) : end;
  }
  return matches.size() - before;
}

std::string RemoveLineFeeds(std::string text) {
  // Whole runs between line feeds, found with memchr and moved down in place, rather than one
  // character at a time or into a second copy of a page.
  char* const data = text.data();
  std::size_t kept = 0;
  for (std::size_t at = 0; at < text.size();) {
    const void* feed = std::memchr(data + at, '\n', text.size() - at);
    const std::size_t end =
        feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - data) : text.size();
    if (kept != at) std::memmove(data + kept, data + at, end - at);
    kept += end - at;
    at = end + 1;
  }
  text.resize(kept);
  return text;
}
