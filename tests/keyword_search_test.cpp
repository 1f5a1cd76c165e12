// The keyword search: which URLs it asks for, and which rows it makes of the pages.
#include <gtest/gtest.h>

#include "search/keyword_search.h"
#include "test_server.h"
#include "web/module1.h"

namespace {

const std::string kBase = "http://catalogue.test/";

std::string PageUrl(int page) {
  return kBase + "search/entry/?query=%E4%B8%AD&flag=1-1&page=" + std::to_string(page);
}

FixtureSource FourPages() {
  FixtureSource source;
  source.pages[PageUrl(1)] = ReadTestData("results_page1.html");
  source.pages[PageUrl(2)] = ReadTestData("results_page2.html");
  source.pages[PageUrl(3)] = ReadTestData("results_page3.html");
  return source;  // page 4 fails: empty text
}

TEST(KeywordSearchTest, AsksForExactlyFourPagesInOrderEvenAfterFailures) {
  FixtureSource source;
  EXPECT_TRUE(KeywordSearch(u"中", kBase, std::ref(source)).empty());
  EXPECT_EQ(source.asked, (std::vector<std::string>{PageUrl(1), PageUrl(2), PageUrl(3), PageUrl(4)}));
}

TEST(KeywordSearchTest, EmptyKeywordAsksForNothingButBlanksAreSearched) {
  FixtureSource source;
  EXPECT_TRUE(KeywordSearch(u"", kBase, std::ref(source)).empty());
  EXPECT_TRUE(source.asked.empty());
  KeywordSearch(u" ", kBase, std::ref(source));
  ASSERT_EQ(source.asked.size(), 4u);
  EXPECT_EQ(source.asked[0], kBase + "search/entry/?query=%20&flag=1-1&page=1");
}

TEST(KeywordSearchTest, MakesRowsOfEmuleEntriesOnly) {
  FixtureSource source = FourPages();
  const std::vector<ResultRow> rows = KeywordSearch(u"中", kBase, std::ref(source));
  const std::vector<ResultRow> expected = {
      {"Alpha 第1集", "电驴", "a1"},
      {"Beta &amp; <em>Gamma</em>", "电驴", "b2"},  // verbatim: no decoding, markup kept
      // c3 (torrent.gif), d4 (EMULE.PNG) give no row.
      {"Upper", "电驴", "e5"},                     // upper-case markup matches
      {"Line one\rLine two", "电驴", "f6"},        // line feed gone, carriage return kept
      // g7 lacks its type block: it borrows h8's, and h8 yields no row of its own.
      {"No type", "电驴", "g7"},
      // i9's image "emule.png.bak" is not "emule.png".
      {"Split", "电驴", "j10"},                    // begins on page 1, ends on page 2
      {"中文标题 Kappa", "电驴", "k11"},
      {"Alpha 第1集", "电驴", "a1"},               // page 3 repeats a1: duplicates kept
  };
  EXPECT_EQ(rows, expected);
}

TEST(KeywordSearchTest, PageWithoutEntriesGivesNoRows) {
  EXPECT_TRUE(ExtractResultRows("<html><body>没有结果</body></html>").empty());
  EXPECT_TRUE(ExtractResultRows("").empty());
}

// Over the network: the four pages of one search in page order, over one connection.
TEST(KeywordSearchServerTest, FetchesTheFourPagesOverOneConnection) {
  TestServer server(ServeResultPages);
  const auto rows = KeywordSearch(u"中 a&b", server.Base(), NetworkPageSource());
  EXPECT_EQ(rows.size(), 7u);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(requests[i].target,
              "/search/entry/?query=%E4%B8%AD%20a%26b&flag=1-1&page=" + std::to_string(i + 1));
    EXPECT_EQ(requests[i].headers.find("If-Modified-Since")->second, "0");
    EXPECT_EQ(requests[i].remotePort, requests[0].remotePort);
  }
}

}  // namespace
