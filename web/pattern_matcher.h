// SPDX-License-Identifier: GPL-3.0-or-later
// The regular-expression matcher through which the page logic reads catalogue HTML.
//
//   const PatternMatcher links(R"(href="(.*?)")", PatternMatcher::Mode::kFindAll);
//   for (const Match& m : links.Execute(RemoveLineFeeds(page))) Use(m.subMatches[0]);
//
// Matching is case-insensitive and leftmost-first with lazy quantifiers, as a backtracking engine
// does it, but in time linear in the text (RE2), so no page can make a search hang. "." matches
// every character but a line feed; "\w" and "\d" are ASCII. Text is UTF-8.
//
// How it is fast. Every match begins with the pattern's literal prefix, in some mix of case. At
// each place the prefix stands, PCRE2 (JIT, anchored there) looks for the match and its groups in
// a window of the text: twice the longest match so far. With hard partial matching PCRE2 gives up
// as soon as a way to match that it prefers needs a character beyond the window, so a match or a
// "none" it reports is what the whole text has; and the windows of a text together cover at most
// four times its length, each under a step budget, so no page can make PCRE2 backtrack without
// end. ICU judges the UTF-8 of each window, once per byte and no further than a window reaches.
// Where PCRE2 gives no answer (a longer match, a spent budget, invalid UTF-8), RE2 anchored there
// says where the match ends and PCRE2 places the groups inside that span, or RE2 does. When no
// match begins there, RE2 alone searches the rest, so the work stays linear in the text. A pattern
// with an alternative, or one PCRE2 reads otherwise than RE2 ("$", "\b", "\s" and other letter
// escapes but \w and \d, a bracket class with a letter, an escape or "[:" in it, a capturing
// group inside a repetition), is left to RE2 alone. Bracket classes are read as the platform's
// component reads them: a ']' first is a member, and "[:alpha:]" is no class name. Engine::kRe2
// does everything with RE2: the reference the layers are checked against. Every way gives the same
// matches, so MatchPaths tells which one was taken.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}
struct PatternMatcherPcre;

// One match: the texts of its capture groups, numbered from 0 in the order of their opening
// parentheses. A group that took part in no match reads as empty text.
struct Match {
  std::vector<std::string> subMatches;
};

// How the matches of one Execute were found, one count per match.
struct MatchPaths {
  std::size_t window = 0;     // by PCRE2 in a window after the literal prefix: the fast path
  std::size_t span = 0;       // RE2 found where it ends, PCRE2 placed the groups
  std::size_t re2Groups = 0;  // RE2 found where it ends and placed the groups
  std::size_t re2Alone = 0;   // by RE2's own search
  friend bool operator==(const MatchPaths&, const MatchPaths&) = default;
};

class PatternMatcher final {
 public:
  enum class Mode { kFirstMatch, kFindAll };
  enum class Engine { kLayered, kRe2 };

  // Compiles `pattern` once. A pattern that does not compile is a fault of the program, not of a
  // page: it is reported on standard error and the program aborts, so it cannot go unnoticed.
  PatternMatcher(std::string_view pattern, Mode mode, Engine engine = Engine::kLayered);
  ~PatternMatcher();
  PatternMatcher(const PatternMatcher&) = delete;
  PatternMatcher& operator=(const PatternMatcher&) = delete;

  // The matches in order of position; never overlapping, since each search starts where the
  // previous match ended. First-match mode gives at most the leftmost one, and reads the text
  // no further than that match needs. `paths`, when given, receives how each was found.
  // Thread-safe.
  std::vector<Match> Execute(std::string_view text, MatchPaths* paths = nullptr) const;

 private:
  std::vector<Match> ExecuteLayered(std::string_view text, MatchPaths& paths) const;
  // Appends the matches that begin at or after `from`, found by RE2 alone; returns how many.
  std::size_t ExecuteRe2(std::string_view text, std::size_t from,
                         std::vector<Match>& matches) const;

  std::unique_ptr<re2::RE2> m_re;
  std::unique_ptr<PatternMatcherPcre> m_pcre;  // none when there is no prefix to look for
  std::string m_prefix;                        // lower-case ASCII
  Mode m_mode;
};

// `text` without its line feeds (U+000A), removed in place. Carriage returns and everything else
// stay.
std::string RemoveLineFeeds(std::string text);
