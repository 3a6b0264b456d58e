#include "text/Cp932.h"
#include "text/PercentEncoding.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::u16string units;
};

void PrintTo(const Utf8Case& c, std::ostream* os) {
    *os << c.name;
}

// The well-formed and common ill-formed cases are pinned where the feed uses the decoder
// (Utf8ToWide); these are the rarer forms.
class Utf8DecodeTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8DecodeTest, DecodesAsUnicodeRequires) {
    EXPECT_EQ(DecodeUtf8(GetParam().bytes), GetParam().units);
}

const Utf8Case kUtf8Cases[] = {
    {"OverlongThreeByte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
    {"BeyondUnicode", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"InvalidLeadBytes",
     "\xF8\xFF"
     "Z",
     u"\uFFFD\uFFFDZ"},
    {"EmbeddedZeroKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
};

INSTANTIATE_TEST_SUITE_P(Table, Utf8DecodeTest, ::testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8EncodeTest, RoundTripsAndReplacesLoneSurrogates) {
    const std::u16string text = u"Kestrova あ \U0001F600 é";
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
    EXPECT_EQ(EncodeUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(PercentEncodingTest, LeavesOnlyUnreservedCharacters) {
    EXPECT_EQ(PercentEncode(u"Ab3-._~z9"), "Ab3-._~z9");
    EXPECT_EQ(PercentEncode(u"a b&c/d?e=f#%"), "a%20b%26c%2Fd%3Fe%3Df%23%25");
    EXPECT_EQ(PercentEncode(u"あ"), "%E3%81%82");
    EXPECT_EQ(PercentEncode(u""), "");
}

TEST(Cp932Test, EncodesUnitsOfTheCodePage) {
    EXPECT_EQ(cp932::Encode(u"A"), "A");
    EXPECT_EQ(cp932::Encode(u"あ"), "\x82\xA0");
    EXPECT_EQ(cp932::Encode(u"ｱ"), "\xB1"); // half-width katakana is one byte
    EXPECT_EQ(cp932::Encode(u"①"), "\x87\x40");
}

TEST(Cp932Test, UnitsWithoutMappingBecomeTheReplacement) {
    bool lossless = true;
    EXPECT_EQ(cp932::Encode(u"a\u00E9\U0001F600b", ' ', &lossless), "a   b");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(cp932::EncodeUnit(0xD83D).size, 0);
    EXPECT_EQ(cp932::EncodeUnit(0xDE00).size, 0);
}

TEST(Cp932Test, EverythingTheCodePageHoldsComesBack) {
    int mapped = 0;
    for (std::uint32_t u = 0; u < 0x10000; ++u) {
        const auto b = cp932::EncodeUnit(char16_t(u));
        if (b.size == 0) {
            continue;
        }
        ++mapped;
        const std::string bytes(reinterpret_cast<const char*>(b.bytes), b.size);
        const std::u16string back = cp932::Decode(bytes);
        ASSERT_EQ(back.size(), 1u) << std::hex << u;
        // Duplicate mappings may come back as their canonical twin, which encodes the same.
        EXPECT_EQ(cp932::Encode(back), bytes) << std::hex << u;
    }
    EXPECT_GT(mapped, 7000);
}

TEST(Cp932Test, DecodesInvalidSequencesWithoutLosingWhatFollows) {
    EXPECT_EQ(cp932::Decode("\x82\xA0z"), u"あz");
    EXPECT_EQ(cp932::Decode("\x82"), u"\uFFFD"); // lead byte at the end
    EXPECT_EQ(cp932::Decode("\x82\x0A"
                            "a"),
              u"\uFFFD\na"); // not a trail byte: kept
}

} // namespace
} // namespace kestrova
