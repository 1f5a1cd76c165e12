// Link copying, the page part: the link URL and the final link of the first redirect.
#include <gtest/gtest.h>

#include <ostream>

#include "detail/link_copy.h"
#include "test_server.h"

namespace {

const std::string kBase = "http://catalogue.test/";

TEST(LinkCopyTest, LinkUrlIsTheBaseFollowedByTheHref) {
  FixtureSource source;
  ResolveLink("link/a/0/", kBase, std::ref(source));
  ResolveLink("/link/b/", kBase, std::ref(source));
  ResolveLink("", kBase, std::ref(source));
  EXPECT_EQ(source.asked, (std::vector<std::string>{"http://catalogue.test/link/a/0/",
                                                    "http://catalogue.test//link/b/",
                                                    "http://catalogue.test/"}));
}

struct RedirectCase {
  const char* name;
  std::string page;
  std::optional<std::string> link;
};
// Names the case in test listings, instead of its bytes.
void PrintTo(const RedirectCase& c, std::ostream* out) { *out << c.name; }

class ExtractFinalLinkTest : public testing::TestWithParam<RedirectCase> {};

TEST_P(ExtractFinalLinkTest, TakesTheFirstRedirect) {
  EXPECT_EQ(ExtractFinalLink(GetParam().page), GetParam().link);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ExtractFinalLinkTest,
    testing::Values(
        RedirectCase{"FirstOfTwo", ReadTestData("link_page.html"),
                     "ed2k://|file|a.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/"},
        RedirectCase{"Capitals", "X(\"LOCATION.HREF='ed2k://A'\",1)", "ed2k://A"},
        RedirectCase{"AnyCharacterForTheDot", "location-href='x'\",", "x"},
        RedirectCase{"QuoteInsideTheLinkStays", "location.href='it's'ok'\",0", "it's'ok"},
        RedirectCase{"EmptyLinkIsALink", "location.href=''\",0", ""},
        RedirectCase{"LineFeedsRemovedFirst", "location.href='a\nb\r\nc'\",", "ab\rc"},
        RedirectCase{"NoRedirect", "<html>nothing</html>", std::nullopt},
        RedirectCase{"QuoteWithoutComma", "location.href='a'\";", std::nullopt},
        RedirectCase{"EmptyPage", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkCopyTest, FailedFetchGivesNoLink) {
  FixtureSource source;
  EXPECT_EQ(ResolveLink("link/a/0/", kBase, std::ref(source)), std::nullopt);
}

}  // namespace
