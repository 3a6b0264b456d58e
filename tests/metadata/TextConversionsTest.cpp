#include "metadata/TextConversions.h"

#include <clocale>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::string_literals;

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string units;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class Utf8ToWideTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8ToWideTest, DecodesAndCountsUnits) {
    std::size_t count = 99;
    const auto wide = Utf8ToWide(GetParam().bytes, &count);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, GetParam().units);
    EXPECT_EQ(count, GetParam().units.size());
}

const DecodeCase kDecodeCases[] = {
    {"Ascii", "A", u"A"},
    {"TwoByte", "\xC3\xA9", u"\u00E9"},
    {"ThreeByte", "\xE3\x81\x82", u"\u3042"},
    {"Empty", "", u""},
    {"TruncatedTwoByteAtEnd", "a\xC3", u"a\uFFFD"},
    {"TruncatedThreeByteAtEnd", "\xE3\x81", u"\uFFFD"},
    {"TruncatedFormKeepsNextLetter", "\xE3\x81Z", u"\uFFFDZ"},
    {"OverlongNul", "\xC0\x80", u"\uFFFD\uFFFD"},
    {"FourByteKeepsFollowingLetters",
     "\xF0\x9F\x98\x80"
     "ABC",
     u"\U0001F600ABC"},
    {"EncodedSurrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
    {"StrayContinuation",
     "\x80"
     "A",
     u"\uFFFDA"},
    {"ByteOrderMarkKept",
     "\xEF\xBB\xBF"
     "A",
     u"\uFEFFA"},
    {"EndsAtZeroByte", "A\0B"s, u"A"},
};

INSTANTIATE_TEST_SUITE_P(Table, Utf8ToWideTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase {
    const char* name;
    std::u16string units;
    std::string bytes;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
    *os << c.name;
}

class WideToJapaneseMultiByteTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(WideToJapaneseMultiByteTest, EncodesUnitByUnit) {
    std::size_t count = 99;
    const auto bytes = WideToJapaneseMultiByte(GetParam().units, &count);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, GetParam().bytes);
    EXPECT_EQ(count, GetParam().bytes.size());
}

const EncodeCase kEncodeCases[] = {
    {"Ascii", u"Ab1", "Ab1"},
    {"Hiragana", u"\u3042", "\x82\xA0"},
    {"HalfWidthKatakana", u"\uFF71", "\xB1"},
    {"Empty", u"", ""},
    {"LeadingByteOrderMarkSkipped", u"\uFEFFA", "A"},
    {"LeadingSwappedMarkSkipped", u"\uFFFEA", "A"},
    {"OnlyFirstMarkSkipped", u"\uFEFF\uFEFFA", " A"},
    {"LaterMarkConverted", u"A\uFEFF", "A "},
    {"ReplacementCharacter", u"\uFFFD", " "},
    {"LoneSurrogate", u"a\xD800z", "a z"},
    {"PairIsTwoSpaces", u"\U0001F600", "  "},
    {"EndsAtZeroUnit", u"A\0B"s, "A"},
};

INSTANTIATE_TEST_SUITE_P(Table, WideToJapaneseMultiByteTest, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WideToJapaneseMultiByte, AbsentInputGivesNoResultAndLeavesCount) {
    std::size_t count = 77;
    EXPECT_FALSE(WideToJapaneseMultiByte(std::nullopt, &count));
    EXPECT_EQ(count, 77u);
}

TEST(WideToJapaneseMultiByte, LeavesProcessLocaleAlone) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    WideToJapaneseMultiByte(u"\u3042");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST(AnsiToWide, DecodesCodePage932) {
    EXPECT_EQ(AnsiToWide("\x82\xA0"
                         "A"),
              u"\u3042A");
    EXPECT_EQ(AnsiToWide("A\0\x82\xA0"s), u"A");
    EXPECT_EQ(AnsiToWide(""), u"");
    EXPECT_EQ(AnsiToWide(std::nullopt), u"");
}

// The three steps together, as the feed body goes through them.
struct PipelineCase {
    const char* name;
    std::string body;
    std::u16string feedText;
};

void PrintTo(const PipelineCase& c, std::ostream* os) {
    *os << c.name;
}

class ConversionPipelineTest : public ::testing::TestWithParam<PipelineCase> {};

TEST_P(ConversionPipelineTest, TurnsBodyIntoFeedText) {
    EXPECT_EQ(AnsiToWide(WideToJapaneseMultiByte(Utf8ToWide(GetParam().body))),
              GetParam().feedText);
}

const PipelineCase kPipelineCases[] = {
    {"JapaneseAndAsciiRoundTrip", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E title \xEF\xBD\xB1",
     u"日本語 title ｱ"},
    {"FullWidthForms", "\xEF\xBC\xA1\xE3\x80\x80\xE2\x98\x85", u"Ａ　★"},
    {"LeadingByteOrderMarkDropped", "\xEF\xBB\xBF<title>x</title>", u"<title>x</title>"},
    {"LaterByteOrderMarkIsSpace",
     "a\xEF\xBB\xBF"
     "b",
     u"a b"},
    {"FourByteFormKeepsLetters",
     "\xF0\x9F\x98\x80"
     "ABC",
     u"  ABC"},
    {"AccentedLetterIsSpace", "caf\xC3\xA9", u"caf "},
    {"TruncatedAtEnd", "ab\xC3", u"ab "},
    {"OverlongNulKeepsRest",
     "\xC0\x80"
     "A",
     u"  A"},
    {"Empty", "", u""},
};

INSTANTIATE_TEST_SUITE_P(Table, ConversionPipelineTest, ::testing::ValuesIn(kPipelineCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
