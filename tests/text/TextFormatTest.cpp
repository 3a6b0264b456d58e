#include "text/TextFormat.h"

#include <cstdint>
#include <initializer_list>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct FormatCase {
    const char* name;
    std::u16string format;
    std::u16string expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

// Every case formats with the same arguments: 47, u"テキスト", "utf-8 é".
class TextFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(TextFormatTest, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatText(GetParam().format, {47, u"テキスト", "utf-8 é"}), GetParam().expected);
}

const FormatCase kCases[] = {
    {"DiagnosticText", u"例外が発生しました。\r\nエラー: %d\r\n%s",
     u"例外が発生しました。\r\nエラー: 47\r\nテキスト"},
    {"NumberAsText", u"[%s]", u"[47]"},
    {"TextForNumberAsItStands", u"%d %d", u"47 テキスト"},
    {"Utf8Argument", u"%d%s%s", u"47テキストutf-8 é"},
    {"HexOfNumber", u"%04x|%X", u"002f|テキスト"},
    {"SpacePadded", u"<%5d>", u"<   47>"},
    {"WiderThanField", u"%1d", u"47"},
    {"PercentSign", u"100%% %d", u"100% 47"},
    {"UnknownConversionKept", u"%q %d %", u"%q 47 %"},
    {"PlaceholdersBeyondArguments", u"%d%s%s %05d %s", u"47テキストutf-8 é %05d %s"},
    {"NoPlaceholders", u"プレーン", u"プレーン"},
    {"Empty", u"", u""},
};

INSTANTIATE_TEST_SUITE_P(Table, TextFormatTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextFormatNumbersTest, ExtremesAndSignsInEveryBase) {
    EXPECT_EQ(FormatText(u"%d", {INT64_MIN}), u"-9223372036854775808");
    EXPECT_EQ(FormatText(u"%x", {INT64_MAX}), u"7fffffffffffffff");
    EXPECT_EQ(FormatText(u"%05d|%04X", {-42, 0}), u"-0042|0000");
    EXPECT_EQ(FormatText(u"%d", {0xFFFFFFFFu}), u"4294967295");
    EXPECT_EQ(FormatText(u"%04x%04x", {0x411u, 0x4B0u}), u"041104b0"); // a translation key
}

} // namespace
} // namespace kestrova
