// The matcher's semantics that the three catalogue patterns rely on.
#include <gtest/gtest.h>

#include <string>

#include "web/pattern_matcher.h"

namespace {

using Mode = PatternMatcher::Mode;

std::vector<std::string> FirstGroups(const PatternMatcher& matcher, std::string_view text) {
  std::vector<std::string> out;
  for (const Match& m : matcher.Execute(text)) out.push_back(m.subMatches.at(0));
  return out;
}

TEST(PatternMatcherTest, EmptyTextHasNoMatch) {
  const PatternMatcher m("a(.*?)b", Mode::kFindAll);
  EXPECT_TRUE(m.Execute("").empty());
}

TEST(PatternMatcherTest, LazyGapTakesTheShortestRunLeftmostFirst) {
  const PatternMatcher m("<i>(.*?)</i>", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "<i>a</i><i>b</i>"), (std::vector<std::string>{"a", "b"}));
}

TEST(PatternMatcherTest, FindAllNeverOverlaps) {
  const PatternMatcher m("a(b)a", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "ababa").size(), 1u);
}

TEST(PatternMatcherTest, FirstMatchGivesOnlyTheLeftmost) {
  const PatternMatcher m("x=(\\d+)", Mode::kFirstMatch);
  EXPECT_EQ(FirstGroups(m, "x=1 x=2"), (std::vector<std::string>{"1"}));
}

TEST(PatternMatcherTest, GroupThatMatchedNothingIsEmpty) {
  const PatternMatcher m("a(.*?)b", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "ab"), (std::vector<std::string>{""}));
}

TEST(PatternMatcherTest, DotMatchesCarriageReturnButNotLineFeed) {
  const PatternMatcher m("<(.*?)>", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "<a\rb>"), (std::vector<std::string>{"a\rb"}));
  EXPECT_TRUE(m.Execute("<a\nb>").empty());
}

TEST(PatternMatcherTest, CaseInsensitiveLiteralsAndAsciiClasses) {
  const PatternMatcher m("<DIV id=(\\w+)>", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "<div ID=ab_9><div id=中>"), (std::vector<std::string>{"ab_9"}));
  const PatternMatcher digits("t=(\\d+);", Mode::kFindAll);
  EXPECT_TRUE(digits.Execute("t=\xD9\xA3;").empty());  // ARABIC-INDIC DIGIT THREE is no \d
}

TEST(PatternMatcherTest, ChineseLiteralsMatchAsCharacters) {
  const PatternMatcher m("<b>资源类型</b>: (.)", Mode::kFindAll);
  EXPECT_EQ(FirstGroups(m, "<B>资源类型</B>: 电"), (std::vector<std::string>{"电"}));
}

TEST(PatternMatcherTest, EmptyMatchesStepOverWholeCharacters) {
  const PatternMatcher m("(x*)", Mode::kFindAll);
  EXPECT_EQ(m.Execute("中x").size(), 3u);  // before 中, "x", at the end
}

TEST(RemoveLineFeedsTest, RemovesEveryLineFeedAndKeepsCarriageReturns) {
  EXPECT_EQ(RemoveLineFeeds("\na\r\nb\n\nc\n"), "a\rbc");
  EXPECT_EQ(RemoveLineFeeds(""), "");
}

TEST(PatternMatcherDeathTest, BrokenPatternAbortsLoudly) {
  EXPECT_DEATH(PatternMatcher("(unclosed", Mode::kFindAll), "pattern does not compile");
}

}  // namespace
