#include "web/pattern_matcher.h"

#include <re2/re2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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

}  // namespace

PatternMatcher::PatternMatcher(std::string_view pattern, Mode mode)
    : m_re(std::make_unique<re2::RE2>(pattern, MatcherOptions())), m_mode(mode) {
  if (m_re->ok()) return;
  std::fprintf(stderr, "quillon: pattern does not compile: %s\n  %.*s\n", m_re->error().c_str(),
               static_cast<int>(pattern.size()), pattern.data());
  std::abort();
}

PatternMatcher::~PatternMatcher() = default;

std::vector<Match> PatternMatcher::Execute(std::string_view text) const {
  const int groups = m_re->NumberOfCapturingGroups();
  std::vector<re2::StringPiece> found(static_cast<std::size_t>(groups) + 1);
  std::vector<Match> matches;
  std::size_t start = 0;
  while (start <= text.size() &&
         m_re->Match(text, start, text.size(), re2::RE2::UNANCHORED, found.data(),
                     static_cast<int>(found.size()))) {
    Match& match = matches.emplace_back();
    match.subMatches.reserve(static_cast<std::size_t>(groups));
    for (int g = 1; g <= groups; ++g) match.subMatches.emplace_back(found[g].data(), found[g].size());
    if (m_mode == Mode::kFirstMatch) break;
    const auto end = static_cast<std::size_t>(found[0].data() + found[0].size() - text.data());
    start = found[0].empty() ? NextCharacter(text, end) : end;
  }
  return matches;
}

std::string RemoveLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // Whole runs between line feeds, found with memchr, rather than one character at a time.
  for (std::size_t at = 0; at < text.size();) {
    const void* feed = std::memchr(text.data() + at, '\n', text.size() - at);
    const std::size_t end =
        feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text.data()) : text.size();
    out.append(text, at, end - at);
    at = end + 1;
  }
  return out;
}
