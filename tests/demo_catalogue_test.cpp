// The demo catalogue read end to end by the page logic: what ./run.sh shows a user.
#include <gtest/gtest.h>

#include "catalogue.h"
#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "search/keyword_search.h"
#include "web/module1.h"

namespace {

const std::string kBase = "http://demo.test/";

// Serves the catalogue as the demo server does, decoding each page like FetchPage.
std::string CatalogueSource(const std::string& url) {
  const std::string path = url.substr(kBase.size());
  if (path.rfind("search/entry/?query=", 0) == 0) {
    const int page = path.back() - '0';
    return Module1::DecodeResponse(DemoCatalogue::ResultPage("中文 demo", page));
  }
  if (path.rfind("entry/", 0) == 0) {
    return DemoCatalogue::EntryPage(path.substr(6, path.size() - 7)).value_or("");
  }
  const auto id = path.substr(5, path.find('/', 5) - 5);
  const int link = std::stoi(path.substr(5 + id.size() + 1));
  return DemoCatalogue::LinkPage(id, link).value_or("");
}

TEST(DemoCatalogueTest, SecondPageIsGbkAndTheOthersUtf8) {
  EXPECT_FALSE(Module1::DetectUtf8(DemoCatalogue::ResultPage("中文", 2)));
  for (int page : {1, 3, 4}) EXPECT_TRUE(Module1::DetectUtf8(DemoCatalogue::ResultPage("中文", page)));
}

TEST(DemoCatalogueTest, SearchListsTheEmuleEntriesOfAllFourPages) {
  const auto rows = KeywordSearch(u"中文 demo", kBase, CatalogueSource);
  ASSERT_EQ(rows.size(), 4u * DemoCatalogue::kEmuleEntriesPerPage);
  int row = 0;
  for (int page = 1; page <= 4; ++page) {
    for (int index = 0; index < DemoCatalogue::kEntriesPerPage; ++index) {
      if (!DemoCatalogue::IsEmuleEntry(index)) continue;
      EXPECT_EQ(rows[row].entryId, DemoCatalogue::EntryId("中文 demo", page, index));
      EXPECT_EQ(rows[row].title, DemoCatalogue::EntryTitle("中文 demo", page, index));
      EXPECT_NE(rows[row].title.find("中文 demo"), std::string::npos);
      ++row;
    }
  }
}

TEST(DemoCatalogueTest, EveryLinkOfAnEntryResolvesToItsEd2kLink) {
  const std::string id = DemoCatalogue::EntryId("中文 demo", 2, 3);
  const auto links = LoadLinks("电驴", id, kBase, CatalogueSource);
  ASSERT_EQ(static_cast<int>(links.size()), DemoCatalogue::LinkCount(id).value());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto final = ResolveLink(links[i].href, kBase, CatalogueSource);
    EXPECT_EQ(final, DemoCatalogue::FinalLink(id, static_cast<int>(i)));
    EXPECT_EQ(final->rfind("ed2k://|file|", 0), 0u);
  }
}

TEST(DemoCatalogueTest, UnknownIdsHaveNoPages) {
  EXPECT_FALSE(DemoCatalogue::EntryPage("nothing").has_value());
  EXPECT_FALSE(DemoCatalogue::LinkPage(DemoCatalogue::EntryId("x", 1, 0), 99).has_value());
}

}  // namespace
