// How a response body is judged and decoded: bytes in, charset choice and text out.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "web/module1.h"

namespace {

using Module1::DecodeResponse;
using Module1::DetectUtf8;

struct DetectCase {
  const char* name;
  std::string body;
  bool utf8;
};
// Names the case in test listings, instead of its bytes.
void PrintTo(const DetectCase& c, std::ostream* out) { *out << c.name; }

class DetectUtf8Test : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectUtf8Test, JudgesTheBytes) { EXPECT_EQ(DetectUtf8(GetParam().body), GetParam().utf8); }

const std::string kKb(4096, 'a');

INSTANTIATE_TEST_SUITE_P(
    Bodies, DetectUtf8Test,
    testing::Values(
        DetectCase{"Empty", "", false},
        DetectCase{"TwoByteCharacterTooShort", "\xC3\xA9", false},
        DetectCase{"PureAscii", "<html>abc</html>", false},
        DetectCase{"BomWinsOverInvalidBytes", "\xEF\xBB\xBF\xFF\xFE", true},
        DetectCase{"BomAlone", "\xEF\xBB\xBF", true},
        DetectCase{"ChineseUtf8", "<b>\xE4\xB8\xAD</b>", true},
        DetectCase{"TwoByteSequence", "caf\xC3\xA9!", true},
        DetectCase{"GbkZhong", "<b>\xD6\xD0\xCE\xC4</b>", false},
        DetectCase{"TruncatedThreeByteAtEnd", "abc\xE4\xB8", false},
        DetectCase{"LoneTwoByteLeadAtEnd", "abc\xC3", false},
        DetectCase{"LoneThreeByteLeadAtEnd", "abcd\xE4", false},
        DetectCase{"ContinuationWhereLeadBelongs", "abc\x80xyz", false},
        DetectCase{"OverlongLeadC0Passes", "ab\xC0\x80", true},
        DetectCase{"SurrogateEncodingPasses", "ab\xED\xA0\x80", true},
        // A valid page with one emoji must still read as UTF-8.
        DetectCase{"FourByteEmoji", "<i>\xE4\xB8\xAD\xF0\x9F\x98\x80</i>", true},
        DetectCase{"FourByteLeadF4", "ab\xF4\x8F\xBF\xBF", true},
        DetectCase{"FourByteLeadF5Fails", "ab\xF5\x80\x80\x80", false},
        DetectCase{"TruncatedFourByteAtEnd", "abc\xF0\x9F\x98", false},
        DetectCase{"FourByteWithBadContinuation", "abc\xF0\x9F\x41\x80zz", false},
        DetectCase{"FailureAfterKilobytesDecides", kKb + "\xE4\xB8\xAD" + kKb + "\xD6\xD0" + kKb,
                   false},
        DetectCase{"AsciiRunsAroundSequences", kKb + "\xE4\xB8\xAD" + kKb, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  std::string body;
  std::string text;
};
// Names the case in test listings, instead of its bytes.
void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeResponseTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeResponseTest, GivesUtf8Text) { EXPECT_EQ(DecodeResponse(GetParam().body), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Bodies, DecodeResponseTest,
    testing::Values(
        DecodeCase{"AsciiUnchanged", "<a href=\"/x\">y</a>", "<a href=\"/x\">y</a>"},
        DecodeCase{"Utf8Chinese", "<b>\xE4\xB8\xAD\xE6\x96\x87</b>", "<b>中文</b>"},
        DecodeCase{"GbkChinese", "<b>\xD6\xD0\xCE\xC4</b>", "<b>中文</b>"},
        DecodeCase{"GbkBeyondGb2312", "x\x81\x40y", "x丂y"},
        DecodeCase{"Gb18030FourByte", "ab\x81\x30\x81\x30", "ab\xC2\x80"},
        DecodeCase{"BomDropped", "\xEF\xBB\xBF<p>\xE4\xB8\xAD</p>", "<p>中</p>"},
        DecodeCase{"BomWithInvalidBytesReplaced", "\xEF\xBB\xBF" "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
        DecodeCase{"ShortBodyReadAsGbk", "\xC3\xA9", "茅"},
        DecodeCase{"EmojiKept", "\xE4\xB8\xAD\xF0\x9F\x98\x80", "中😀"},
        // An undecodable GBK byte never takes the ASCII byte after it.
        DecodeCase{"InvalidGbkLeadKeepsAscii", "\xD6\xD0\x81<a>", "中\xEF\xBF\xBD<a>"},
        DecodeCase{"InvalidGbkAtEndIsReplacementNotU001A", "\xD6\xD0\xFF", "中\xEF\xBF\xBD"},
        DecodeCase{"TruncatedUtf8ReadAsGbk", "abc\xE4\xB8", "abc涓"},
        DecodeCase{"OverlongUtf8Replaced", "ab\xC0\x80" "c", "ab\xEF\xBF\xBD\xEF\xBF\xBD" "c"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every decoded text is valid UTF-8, whatever came in.
TEST(DecodeResponseTest, EveryByteValueGivesValidUtf8) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (const std::string& body : {all, "\xE4\xB8\xAD" + all, "\xEF\xBB\xBF" + all}) {
    const std::string text = DecodeResponse(body);
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(DecodeResponse(text).empty());
    // Valid UTF-8 is what ICU's strict UTF-8 reading gives back unchanged.
    EXPECT_EQ(DecodeResponse("\xEF\xBB\xBF" + text), text);
  }
}

}  // namespace
