#include "metadata/TextConversions.h"

#include <clocale>
#include <iterator>
#include <random>

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

TEST_P(ConversionPipelineTest, OnePassGivesTheSame) {
    EXPECT_EQ(BodyToFeedText(GetParam().body), GetParam().feedText);
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
    {"SwappedMarkAtStartDropped",
     "\xEF\xBF\xBE"
     "a",
     u"a"},
    {"OnlyFirstMarkDropped", "\xEF\xBB\xBF\xEF\xBB\xBF", u" "},
    {"EndsAtZeroByte", "a\0\xE3\x81\x82"s, u"a"},
    {"MarkCutByZeroByteIsNoMark", "\xEF\xBB\0"s, u" "},
    // The wave dash U+301C shares its code with U+FF5E, which is what comes back.
    {"DuplicateMappingComesBackAsTwin", "\xE3\x80\x9C", u"\uFF5E"},
};

INSTANTIATE_TEST_SUITE_P(Table, ConversionPipelineTest, ::testing::ValuesIn(kPipelineCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova

namespace kestrova {
namespace {

std::u16string threeSteps(std::string_view body) {
    return AnsiToWide(WideToJapaneseMultiByte(Utf8ToWide(body)));
}

void appendUtf8Form(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out += {char(0xC0 | cp >> 6), char(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
        // Surrogate code points too: their forms are ill-formed and must decode alike.
        out += {char(0xE0 | cp >> 12), char(0x80 | (cp >> 6 & 0x3F)), char(0x80 | (cp & 0x3F))};
    } else {
        out += {char(0xF0 | cp >> 18), char(0x80 | (cp >> 12 & 0x3F)),
                char(0x80 | (cp >> 6 & 0x3F)), char(0x80 | (cp & 0x3F))};
    }
}

TEST(OnePassConversionTest, EveryCharacterAsTheThreeStepsGiveIt) {
    std::string body;
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        appendUtf8Form(body, cp);
    }
    for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 0x3FF) {
        appendUtf8Form(body, cp);
    }
    const std::u16string expected = threeSteps(body);
    ASSERT_GT(expected.size(), 0x10000u);
    EXPECT_EQ(BodyToFeedText(body), expected);
}

// Bytes drawn mostly from the values that make UTF-8 interesting, so ill-formed, truncated
// and over-long forms, marks and zero bytes turn up in every position.
std::string arbitraryBody(std::mt19937& random) {
    static constexpr unsigned char kInteresting[] = {
        0x00, 0x41, 0x7F, 0x80, 0x8F, 0x9F, 0xA0, 0xBB, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
        0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0x81, 0x82, 0xBD, 0x9E, 0x20, 0x3C};
    std::uniform_int_distribution<std::size_t> length(0, 80);
    std::uniform_int_distribution<int> pick(0, int(std::size(kInteresting)) + 40);
    std::string body;
    const std::size_t n = length(random);
    for (std::size_t i = 0; i < n; ++i) {
        const int k = pick(random);
        // One body in a few begins with a byte-order mark.
        body.push_back(k < int(std::size(kInteresting)) ? char(kInteresting[k])
                                                        : char(random() & 0xFF));
    }
    if (random() % 4 == 0) {
        body.insert(0, random() % 2 ? "\xEF\xBB\xBF" : "\xEF\xBF\xBE");
    }
    return body;
}

TEST(OnePassConversionTest, ArbitraryBytesAsTheThreeStepsGiveThem) {
    std::mt19937 random(20120401);
    for (int round = 0; round < 20000; ++round) {
        const std::string body = arbitraryBody(random);
        ASSERT_EQ(BodyToFeedText(body), threeSteps(body)) << ::testing::PrintToString(body);
    }
}

TEST(OnePassConversionTest, LongBodiesAcrossBlockBoundaries) {
    // Forms of every width straddle the decoder's internal block boundaries somewhere.
    std::string body;
    const std::string piece = "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBD\xB1xyz\xE3\x81";
    while (body.size() < 100000) {
        body += piece;
        body.push_back(char('0' + body.size() % 10));
    }
    EXPECT_EQ(BodyToFeedText(body), threeSteps(body));
}

} // namespace
} // namespace kestrova
