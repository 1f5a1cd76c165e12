// The regular-expression matcher through which the page logic reads catalogue HTML.
//
//   const PatternMatcher links(R"(href="(.*?)")", PatternMatcher::Mode::kFindAll);
//   for (const Match& m : links.Execute(RemoveLineFeeds(page))) Use(m.subMatches[0]);
//
// Matching is case-insensitive and leftmost-first with lazy quantifiers, as a backtracking engine
// does it, but in time linear in the text (RE2), so no page can make a search hang. "." matches
// every character but a line feed; "\w" and "\d" are ASCII. Text is UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}

// One match: the texts of its capture groups, numbered from 0 in the order of their opening
// parentheses. A group that took part in no match reads as empty text.
struct Match {
  std::vector<std::string> subMatches;
};

class PatternMatcher final {
 public:
  enum class Mode { kFirstMatch, kFindAll };

  // Compiles `pattern` once. A pattern that does not compile is a fault of the program, not of a
  // page: it is reported on standard error and the program aborts, so it cannot go unnoticed.
  PatternMatcher(std::string_view pattern, Mode mode);
  ~PatternMatcher();
  PatternMatcher(const PatternMatcher&) = delete;
  PatternMatcher& operator=(const PatternMatcher&) = delete;

  // The matches in order of position; never overlapping, since each search starts where the
  // previous match ended. First-match mode gives at most the leftmost one. Thread-safe.
  std::vector<Match> Execute(std::string_view text) const;

 private:
  std::unique_ptr<re2::RE2> m_re;
  Mode m_mode;
};

// `text` without its line feeds (U+000A). Carriage returns and everything else stay.
std::string RemoveLineFeeds(std::string_view text);
