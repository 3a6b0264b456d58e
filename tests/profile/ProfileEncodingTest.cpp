#include "profile/ProfileFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;
using Kind = ProfileEncoding::Kind;

std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string out;
    for (char16_t c : text) {
        const char low = char(c & 0xFF);
        const char high = char(c >> 8);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

struct DetectCase {
    const char* name;
    std::string file;
    Kind encoding;
    std::u16string value; // of K in [SYSTEM]
};

void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileDetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(ProfileDetectTest, ReadsInTheDetectedEncoding) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", GetParam().file);
    const ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.encoding(), GetParam().encoding);
    EXPECT_EQ(file.readString(u"SYSTEM", u"K", u"-", 261), GetParam().value);
}

const DetectCase kDetectCases[] = {
    {"Utf16LeMark", "\xFF\xFE" + utf16(u"[SYSTEM]\r\nK=朝\r\n"), Kind::Utf16Le, u"朝"},
    {"Utf16BeMark", "\xFE\xFF" + utf16(u"[SYSTEM]\r\nK=朝\r\n", true), Kind::Utf16Be, u"朝"},
    {"Utf8MarkDecidesEvenForLatin", "\xEF\xBB\xBF[SYSTEM]\nK=caf\xC3\xA9\n", Kind::Utf8, u"café"},
    {"Ascii", "[SYSTEM]\nK=Ab3dE5gH1jK\n", Kind::Ascii, u"Ab3dE5gH1jK"},
    {"Utf8Japanese", EncodeUtf8(u"[SYSTEM]\nK=東京の朝\n"), Kind::Utf8, u"東京の朝"},
    {"Cp932Japanese", cp932::Encode(u"[SYSTEM]\nK=東京の朝\n"), Kind::Cp932, u"東京の朝"},
    // C3 BD is "ﾃｽ" in code page 932 and "ý" in UTF-8: two-byte sequences prove nothing.
    {"Cp932HalfWidthKatakanaOnly", "[SYSTEM]\nK=\xC3\xBD\n", Kind::Cp932, u"ﾃｽ"},
    {"Utf8LatinAccentsOnlyReadAsCp932", "[SYSTEM]\nK=caf\xC3\xA9\n", Kind::Cp932, u"cafﾃｩ"},
    // Byte 80 (in "р") has no meaning in code page 932, so these bytes can only be UTF-8.
    {"Utf8CyrillicOnly", EncodeUtf8(u"[SYSTEM]\nK=Привет мир\n"), Kind::Utf8, u"Привет мир"},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileDetectTest, ::testing::ValuesIn(kDetectCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct NewTextCase {
    const char* name;
    std::u16string value;
    Kind encoding; // the file's on disk, as the next load detects it
};

void PrintTo(const NewTextCase& c, std::ostream* os) {
    *os << c.name;
}

std::string encoded(Kind kind, std::u16string_view text) {
    switch (kind) {
    case Kind::Cp932:
        return cp932::Encode(text);
    case Kind::Utf16Le:
        return "\xFF\xFE" + utf16(text);
    default:
        return EncodeUtf8(text);
    }
}

// Code page 932 bytes that are also well-formed UTF-8 with a three-byte sequence ("あO"):
// a file of them alone would be read back as UTF-8.
std::u16string cp932LookingLikeUtf8() {
    return cp932::Decode("\xE3\x81\x82\x4F");
}

class ProfileNewTextTest : public ::testing::TestWithParam<NewTextCase> {
protected:
    static constexpr std::u16string_view kAsciiHead =
        u"; mine\r\n[NETWORK]\r\nFEEDURL=http://x/\r\n";
    TempDir m_dir;
};

// A file that does not exist, and one of ASCII only, commit at their first other character.
TEST_P(ProfileNewTextTest, CommitsToAnEncodingThatReadsBackTheSame) {
    for (const std::u16string_view head : {std::u16string_view(), kAsciiHead}) {
        const auto path = m_dir / "a.ini";
        std::filesystem::remove(path);
        if (!head.empty()) {
            WriteFileBytes(path, EncodeUtf8(head));
        }
        ProfileFile file = ProfileFile::load(path);
        ASSERT_EQ(file.encoding(), Kind::Ascii);
        file.writeString(u"SYSTEM", u"K", GetParam().value);
        ASSERT_TRUE(file.save(path));

        const std::u16string lineEnd = head.empty() ? u"\n" : u"\r\n";
        const std::u16string text =
            std::u16string(head) + u"[SYSTEM]" + lineEnd + u"K=" + GetParam().value + lineEnd;
        EXPECT_EQ(ReadFileBytes(path), encoded(GetParam().encoding, text));
        const ProfileFile reread = ProfileFile::load(path);
        EXPECT_EQ(reread.encoding(), GetParam().encoding);
        EXPECT_EQ(reread.readString(u"SYSTEM", u"K", u"", 261), GetParam().value);
        EXPECT_EQ(reread.readString(u"NETWORK", u"FEEDURL", u"", 261),
                  head.empty() ? u"" : u"http://x/");
    }
}

const NewTextCase kNewTextCases[] = {
    {"AsciiStaysAscii", u"Ab3dE5gH1jK", Kind::Ascii},
    {"JapaneseTitleCp932", u"朝の散歩 【公式】 第1回", Kind::Cp932},
    {"HalfWidthKatakanaCp932", u"ﾃｽ", Kind::Cp932},
    {"LatinAccentUtf16", u"café", Kind::Utf16Le},
    {"EmojiUtf16", u"朝\U0001F600", Kind::Utf16Le},
    {"Cp932ThatWouldReadAsUtf8Utf16", cp932LookingLikeUtf8(), Kind::Utf16Le},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileNewTextTest, ::testing::ValuesIn(kNewTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileEncodingTest, Cp932FileSavedTwiceStaysCp932) {
    TempDir dir;
    const auto path = dir / "History.ini";
    const std::string head = cp932::Encode(u"[SYSTEM]\r\nCOUNT=1\r\n[ITEM0]\r\nTITLE=東京\r\n");
    WriteFileBytes(path, head);
    const std::u16string titles[] = {u"朝の散歩", u"ﾃｽﾄ 夜"};
    for (const std::u16string& title : titles) {
        ProfileFile file = ProfileFile::load(path);
        ASSERT_EQ(file.encoding(), Kind::Cp932);
        file.writeString(u"ITEM1", u"TITLE", title);
        ASSERT_TRUE(file.save(path));
    }
    EXPECT_EQ(ReadFileBytes(path), head + cp932::Encode(u"[ITEM1]\r\nTITLE=ﾃｽﾄ 夜\r\n"));
    const ProfileFile reread = ProfileFile::load(path);
    EXPECT_EQ(reread.encoding(), Kind::Cp932);
    EXPECT_EQ(reread.readString(u"ITEM0", u"TITLE", u"", 261), u"東京");
}

// Writing can take away what made a file without a mark recognisable; the save then marks it
// rather than let it be read back in another encoding.
TEST(ProfileEncodingTest, FileThatWouldBeMisreadGetsAMark) {
    TempDir dir;
    const auto path = dir / "a.ini";
    const std::string utf8Tail = "L=caf\xC3\xA9\n";
    WriteFileBytes(path, EncodeUtf8(u"[SYSTEM]\nK=東京\n") + utf8Tail);
    ProfileFile utf8 = ProfileFile::load(path);
    ASSERT_EQ(utf8.encoding(), Kind::Utf8);
    utf8.writeString(u"SYSTEM", u"K", u"Tokyo");
    ASSERT_TRUE(utf8.save(path));
    EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF[SYSTEM]\nK=Tokyo\n" + utf8Tail);
    EXPECT_EQ(ProfileFile::load(path).readString(u"SYSTEM", u"L", u"", 261), u"café");

    WriteFileBytes(path, cp932::Encode(u"[SYSTEM]\nK=東京\n"));
    ProfileFile cp932File = ProfileFile::load(path);
    ASSERT_EQ(cp932File.encoding(), Kind::Cp932);
    cp932File.writeString(u"SYSTEM", u"K", cp932LookingLikeUtf8());
    ASSERT_TRUE(cp932File.save(path));
    const ProfileFile reread = ProfileFile::load(path);
    EXPECT_EQ(reread.encoding(), Kind::Utf16Le);
    EXPECT_EQ(reread.readString(u"SYSTEM", u"K", u"", 261), cp932LookingLikeUtf8());
}

TEST(ProfileEncodingTest, StrayLastByteOfUtf16IsDroppedSoWritesStayAligned) {
    TempDir dir;
    const auto path = dir / "a.ini";
    WriteFileBytes(path, std::string("\xFF\xFE\x3B\x00\x78", 5));
    ProfileFile file = ProfileFile::load(path);
    file.writeString(u"SYSTEM", u"COUNT", u"1");
    file.writeString(u"ITEM0", u"VIDEOID", u"朝");
    ASSERT_TRUE(file.save(path));
    EXPECT_EQ(ReadFileBytes(path),
              "\xFF\xFE" + utf16(u";\n[SYSTEM]\nCOUNT=1\n[ITEM0]\nVIDEOID=朝\n"));
    const ProfileFile reread = ProfileFile::load(path);
    EXPECT_EQ(reread.readInt(u"SYSTEM", u"COUNT", 0), 1);
    EXPECT_EQ(reread.readString(u"ITEM0", u"VIDEOID", u"", 261), u"朝");
}

} // namespace
} // namespace kestrova
