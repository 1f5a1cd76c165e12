// The keyword as a query value: UTF-16 in, escaped UTF-8 out.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "web/module1.h"

namespace {

struct EncodeCase {
  const char* name;
  std::u16string keyword;
  std::string encoded;
};
// Names the case in test listings, instead of its bytes.
void PrintTo(const EncodeCase& c, std::ostream* out) { *out << c.name; }

class PercentEncodeQueryTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(PercentEncodeQueryTest, Encodes) {
  EXPECT_EQ(Module1::PercentEncodeQuery(GetParam().keyword), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, PercentEncodeQueryTest,
    testing::Values(
        EncodeCase{"Empty", u"", ""},
        EncodeCase{"Zhong", u"中", "%E4%B8%AD"},
        EncodeCase{"AsciiThenChinese", u"ab中", "ab%E4%B8%AD"},
        EncodeCase{"EAcute", u"é", "%C3%A9"},
        EncodeCase{"UUmlaut", u"ü", "%C3%BC"},
        EncodeCase{"NoBreakSpace", u"\u00A0", "%C2%A0"},
        EncodeCase{"LastTwoByte", u"\u07FF", "%DF%BF"},
        EncodeCase{"FirstThreeByte", u"\u0800", "%E0%A0%80"},
        EncodeCase{"Thai", u"ก", "%E0%B8%81"},
        EncodeCase{"LastBmp", u"\uFFFF", "%EF%BF%BF"},
        EncodeCase{"Unreserved", u"Az09-._~", "Az09-._~"},
        // Characters that would break the query or add parameters to it are escaped.
        EncodeCase{"Blank", u"a b", "a%20b"},
        EncodeCase{"MixedWithAmpersand", u"中文 test&x", "%E4%B8%AD%E6%96%87%20test%26x"},
        EncodeCase{"ParameterInjection", u"a&page=9", "a%26page%3D9"},
        EncodeCase{"FragmentAndPlus", u"c#+1%", "c%23%2B1%25"},
        EncodeCase{"QuestionAndSlash", u"?/", "%3F%2F"},
        EncodeCase{"SurrogatePairIsOneCharacter", u"😀", "%F0%9F%98%80"},
        EncodeCase{"LoneHighSurrogate", std::u16string(1, char16_t(0xD83D)), "%EF%BF%BD"},
        EncodeCase{"LoneLowSurrogate", u"a" + std::u16string(1, char16_t(0xDE00)), "a%EF%BF%BD"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
