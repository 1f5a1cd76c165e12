// Link list loading: the entry URL, the type-label gate and the rows made of an entry page.
#include <gtest/gtest.h>

#include "detail/link_list.h"
#include "test_server.h"

namespace {

const std::string kBase = "http://catalogue.test/";

TEST(LinkListTest, RequestsTheEntryPageOfTheId) {
  FixtureSource source;
  LoadLinks("电驴", "abc_1", kBase, std::ref(source));
  EXPECT_EQ(source.asked, (std::vector<std::string>{"http://catalogue.test/entry/abc_1/"}));
}

TEST(LinkListTest, OnlyTheExactEmuleLabelIsLoaded) {
  for (const std::string label : {"电驴 ", "电", "种子", "", " 电驴"}) {
    FixtureSource source;
    EXPECT_TRUE(LoadLinks(label, "abc_1", kBase, std::ref(source)).empty()) << label;
    EXPECT_TRUE(source.asked.empty()) << label;
  }
}

TEST(LinkListTest, MakesARowPerLinkBlock) {
  FixtureSource source;
  source.pages[kBase + "entry/abc_1/"] = ReadTestData("entry_page.html");
  const std::vector<LinkRow> expected = {
      {"【点击复制链接】a.avi", "700.0 MB", "电驴", "link/abc_1/0/"},
      {"【点击复制链接】b &amp; <b>c</b>.mkv", "1.20 GB", "电驴", "link/abc_1/1/"},
      {"【点击复制链接】Upper.mp3", "42 B", "电驴", "/link/up/"},
      {"【点击复制链接】two\rlines.pdf", "1.0 MB", "电驴", "link/abc_1/3/"},
      // A block without an anchor takes the next block's link, which gives no row of its own.
      {"【点击复制链接】after.avi", "5.0 MB", "电驴", "link/abc_1/5/"},
      {"【点击复制链接】a.avi", "700.0 MB", "电驴", "link/abc_1/0/"},
      // The last block's title is not digits: no row.
  };
  EXPECT_EQ(LoadLinks("电驴", "abc_1", kBase, std::ref(source)), expected);
}

TEST(LinkListTest, EmptyOrLinklessPagesGiveNoRows) {
  FixtureSource source;  // every fetch fails
  EXPECT_TRUE(LoadLinks("电驴", "abc_1", kBase, std::ref(source)).empty());
  EXPECT_TRUE(ExtractLinkRows("<html><table></table></html>").empty());
}

}  // namespace
