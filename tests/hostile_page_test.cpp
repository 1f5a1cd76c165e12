// Pages whose last block never closes, a megabyte and more of them: the rows are the ones the
// patterns define (leftmost first, lazy), the same a backtracking engine would give after
// minutes; here they come in linear time, which the benchmarks measure.
#include <gtest/gtest.h>

#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "hostile_pages.h"
#include "search/keyword_search.h"
#include "test_server.h"

namespace {

constexpr std::size_t kMegabyte = 1u << 20;

std::vector<std::string> Titles(const std::vector<ResultRow>& rows) {
  std::vector<std::string> titles;
  for (const auto& row : rows) titles.push_back(row.title);
  return titles;
}

std::vector<std::string> Hrefs(const std::vector<LinkRow>& rows) {
  std::vector<std::string> hrefs;
  for (const auto& row : rows) hrefs.push_back(row.href);
  return hrefs;
}

TEST(HostilePageTest, ResultBlocksThatNeverCloseAddNoRows) {
  const std::string real = ReadTestData("results_page1.html");
  const auto expected = Titles(ExtractResultRows(real));
  ASSERT_FALSE(expected.empty());
  for (const auto& junk : {HostilePages::UnclosedTitles(2 * kMegabyte),
                           HostilePages::TitlesWithoutType(2 * kMegabyte)}) {
    EXPECT_TRUE(ExtractResultRows(junk).empty());
    EXPECT_EQ(Titles(ExtractResultRows(real + junk)), expected);
  }
}

TEST(HostilePageTest, AnUnclosedTitleBeforeRealEntriesSwallowsUpToTheFirstClose) {
  const std::string real = ReadTestData("results_page1.html");
  const auto expected = ExtractResultRows(real);
  const auto rows = ExtractResultRows(HostilePages::UnclosedTitles(kMegabyte) + real);
  ASSERT_EQ(rows.size(), expected.size());
  // The first opening on the page starts the first match; its title runs to the first close.
  EXPECT_EQ(rows[0].entryId, "x0");
  EXPECT_EQ(rows[0].title.rfind("<a href=\"/entry/x1/\">", 0), 0u);
  EXPECT_TRUE(rows[0].title.ends_with(expected[0].title));
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].title, expected[i].title);
    EXPECT_EQ(rows[i].entryId, expected[i].entryId);
  }
}

TEST(HostilePageTest, LinkBlocksWithoutALinkAddNoRows) {
  const std::string real = ReadTestData("entry_page.html");
  const auto expected = Hrefs(ExtractLinkRows(real));
  ASSERT_FALSE(expected.empty());
  const std::string junk = HostilePages::CheckboxesWithoutLink(2 * kMegabyte);
  EXPECT_TRUE(ExtractLinkRows(junk).empty());
  EXPECT_EQ(Hrefs(ExtractLinkRows(real + junk)), expected);
}

TEST(HostilePageTest, RedirectsThatNeverCloseGiveNoLinkAndDoNotHideARealOne) {
  const std::string junk = HostilePages::UnclosedRedirects(2 * kMegabyte);
  EXPECT_EQ(ExtractFinalLink(junk), std::nullopt);
  EXPECT_EQ(ExtractFinalLink(ReadTestData("link_page.html") + junk),
            "ed2k://|file|a.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/");
}

}  // namespace
