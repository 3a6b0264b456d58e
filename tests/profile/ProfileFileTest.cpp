#include "profile/ProfileFile.h"

#include "profile/AtomicFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {

namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct ReadCase {
    const char* name;
    std::string file;
    std::u16string key;      // in section "SYSTEM"
    std::u16string expected; // u"-" is the default
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, FollowsTheWindowsRules) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", GetParam().file);
    EXPECT_EQ(ProfileFile::load(dir / "a.ini").readString(u"SYSTEM", GetParam().key, u"-", 261),
              GetParam().expected);
}

const ReadCase kReadCases[] = {
    {"NamesInAnyCase", "[system]\nCount=7\n", u"COUNT", u"7"},
    {"FirstSectionWins", "[SYSTEM]\nA=1\n[System]\nA=2\nB=3\n", u"B", u"-"},
    {"FirstKeyWins", "[SYSTEM]\nK=1\nk=2\n", u"K", u"1"},
    {"Trimmed", "  [ SYSTEM ] \n  K \t=  v w \t\n", u"K", u"v w"},
    {"DoubleQuotes", "[SYSTEM]\nK= \"  v \" \n", u"K", u"  v "},
    {"SingleQuotes", "[SYSTEM]\nK='v'\n", u"K", u"v"},
    {"OnePairOnly", "[SYSTEM]\nK=\"\"v\"\"\n", u"K", u"\"v\""},
    {"MismatchedQuotesKept", "[SYSTEM]\nK=\"v'\n", u"K", u"\"v'"},
    {"EqualsInValue", "[SYSTEM]\nK=a=b\n", u"K", u"a=b"},
    {"MissingKey", "[SYSTEM]\nK=v\n", u"X", u"-"},
    {"KeyBeforeAnySection", "K=v\n[SYSTEM]\n", u"K", u"-"},
    {"CommentIsNoKey", "[SYSTEM]\n;K=v\n", u"K", u"-"},
    {"CrLfAndNoFinalEnding", "[SYSTEM]\r\nA=1\r\nK=v", u"K", u"v"},
    {"Utf8WithBom", "\xEF\xBB\xBF[SYSTEM]\nK=\xE3\x81\x82\n", u"K", u"あ"},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFileTest, CutsToTheBufferAndReadsIntegers) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", "[S]\nK=" + std::string(300, 'x') +
                                      "\nP=abc\xF0\x9F\x98\x80z\na= -7 \nb=12abc\nc=abc\n"
                                      "d=99999999999\ne=-99999999999\nf=\"5\"\n");
    const ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.readString(u"S", u"K", u"", 261), std::u16string(260, u'x'));
    EXPECT_EQ(file.readString(u"S", u"none", u"defaults too", 9), u"defaults");
    EXPECT_EQ(file.readString(u"S", u"P", u"", 5), u"abc"); // not half a surrogate pair
    EXPECT_EQ(file.readString(u"S", u"P", u"", 6), u"abc\U0001F600");
    const std::pair<const char16_t*, int> integers[] = {
        {u"a", -7},      {u"b", 12}, {u"c", 99}, {u"d", INT_MAX},
        {u"e", INT_MIN}, {u"f", 5},  {u"x", 99}};
    for (const auto& [key, value] : integers) {
        EXPECT_EQ(file.readInt(u"S", key, 99), value) << char(key[0]);
    }
}

TEST(ProfileFileTest, WritingKeepsEveryOtherLineAsItWas) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", "; comment\r\n[Other]\r\nx = 1 \r\n\r\n[system]\r\n"
                                  "Count = 3\r\nkeep=\"q\"\r\n\r\n[Last]\r\ny=2");
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    file.writeString(u"SYSTEM", u"COUNT", u"4");
    file.writeString(u"SYSTEM", u"NEW", u"n");
    file.writeString(u"Last", u"z", u"3");
    file.writeString(u"Added", u"k", u"v");
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"),
              "; comment\r\n[Other]\r\nx = 1 \r\n\r\n[system]\r\nCount=4\r\nkeep=\"q\"\r\n"
              "NEW=n\r\n\r\n[Last]\r\ny=2\r\nz=3\r\n[Added]\r\nk=v\r\n");
}

TEST(ProfileFileTest, ValuesReadBackExactly) {
    TempDir dir;
    const std::u16string values[] = {u"  padded\t", u"\"quoted\"", u"'single'",
                                     u"\"",         u"a=b",        u"line\r\n[SYSTEM]\rCOUNT=9\n"};
    const auto key = [](std::size_t i) { return u"K" + std::u16string(1, char16_t(u'0' + i)); };
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    for (std::size_t i = 0; i < std::size(values); ++i) {
        file.writeString(u"S", key(i), values[i]);
    }
    ASSERT_TRUE(file.save(dir / "a.ini"));
    const ProfileFile reread = ProfileFile::load(dir / "a.ini");
    for (std::size_t i = 0; i + 1 < std::size(values); ++i) {
        EXPECT_EQ(reread.readString(u"S", key(i), u"", 261), values[i]);
    }
    // A line break becomes a space: it can neither end the value nor start a section.
    EXPECT_EQ(reread.readString(u"S", key(5), u"", 261), u"line  [SYSTEM] COUNT=9 ");
    EXPECT_EQ(reread.readInt(u"SYSTEM", u"COUNT", -1), -1);
}

// Names that would read back as something else are refused; the file does not change.
TEST(ProfileFileTest, RefusesNamesThatWouldNotReadBack) {
    const std::pair<std::u16string, std::u16string> refused[] = {
        {u"SYSTEM", u"[ITEM0]"}, {u"SYSTEM", u"  [x"}, {u"SYSTEM", u";K"},  {u"SYSTEM", u"#K"},
        {u"SYSTEM", u"K=V"},     {u"SYSTEM", u" K"},   {u"SYSTEM", u"K\t"}, {u"SYSTEM", u"K\n"},
        {u" SYSTEM", u"K"},      {u"SYSTEM ", u"K"},   {u"SYS]TEM", u"K"},  {u"\rSYSTEM", u"K"},
    };
    TempDir dir;
    WriteFileBytes(dir / "a.ini", "[SYSTEM]\nK=old\n");
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    for (const auto& [section, key] : refused) {
        EXPECT_FALSE(file.writeString(section, key, u"new"))
            << std::string(section.begin(), section.end()) << "/"
            << std::string(key.begin(), key.end());
    }
    EXPECT_TRUE(file.writeString(u"SYSTEM", u"K]x[", u"fine"));
    EXPECT_TRUE(file.writeString(u"[ITEM", u"", u"empty key"));
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), "[SYSTEM]\nK=old\nK]x[=fine\n[[ITEM]\n=empty key\n");
    const ProfileFile reread = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(reread.readString(u"SYSTEM", u"K]x[", u"", 261), u"fine");
    EXPECT_EQ(reread.readString(u"[ITEM", u"", u"", 261), u"empty key");
}

// Rewriting a key with the value it already reads as keeps the line as the user wrote it.
TEST(ProfileFileTest, SameValueKeepsTheLine) {
    TempDir dir;
    const std::string before = "[NETWORK]\nFEEDURL = 'http://x/'  \nPLAYERURL=a\n";
    WriteFileBytes(dir / "a.ini", before);
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_TRUE(file.writeString(u"network", u"feedurl", u"http://x/"));
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), before);
}

std::string utf16Le(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += {char(c & 0xFF), char(c >> 8)};
    }
    return out;
}

TEST(ProfileFileTest, Utf16AndCp932FilesKeepEncodingAndUntouchedBytes) {
    TempDir dir;
    // 0xED 0x40 is one of code page 932's duplicate mappings: re-encoding its character gives
    // other bytes, so untouched lines must be kept as bytes.
    const std::string utf16Head = "\xFF\xFE" + utf16Le(u"; 履歴\r\n[ITEM0]\r\nTITLE=朝\r\n");
    const std::string cp932Head = "[ITEM0]\r\nTITLE=" + cp932::Encode(u"朝") + "\xED\x40\r\n";
    const struct {
        std::string head;
        ProfileFile::Encoding encoding;
        std::string added;
    } cases[] = {
        {utf16Head, ProfileFile::Encoding::Utf16Le, utf16Le(u"VIDEOID=夜\r\n")},
        {cp932Head, ProfileFile::Encoding::Cp932, "VIDEOID=" + cp932::Encode(u"夜") + "\r\n"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / "a.ini", c.head);
        ProfileFile file = ProfileFile::load(dir / "a.ini");
        EXPECT_EQ(file.encoding(), c.encoding);
        EXPECT_EQ(file.readString(u"ITEM0", u"TITLE", u"", 261).substr(0, 1), u"朝");
        file.writeString(u"ITEM0", u"VIDEOID", u"夜");
        ASSERT_TRUE(file.save(dir / "a.ini"));
        EXPECT_EQ(ReadFileBytes(dir / "a.ini"), c.head + c.added);
        EXPECT_EQ(ProfileFile::load(dir / "a.ini").readString(u"ITEM0", u"VIDEOID", u"", 9), u"夜");
    }
}

class ProfileSaveTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(path(), kOld); }
    void TearDown() override { AtomicFile::WriteSeam().install({}); }
    std::filesystem::path path() const { return m_dir / "a.ini"; }
    ProfileFile changed() const {
        ProfileFile file = ProfileFile::load(path());
        file.writeString(u"S", u"K", std::u16string(10000, u'n'));
        return file;
    }

    static constexpr const char* kOld = "[S]\nK=old\n";
    TempDir m_dir;
};

TEST_F(ProfileSaveTest, WriteFailingHalfWayLeavesOldFileWholeAndNoTemporary) {
    AtomicFile::WriteSeam().install([](int fd, const char* data, std::size_t size) {
        [[maybe_unused]] const ssize_t n = ::write(fd, data, size / 2);
        errno = EIO;
        return -1L;
    });
    EXPECT_FALSE(changed().save(path()));
    EXPECT_EQ(ReadFileBytes(path()), kOld);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 1);
}

TEST_F(ProfileSaveTest, UnwritableOrUnreadablePlacesFailCleanly) {
    WriteFileBytes(m_dir / "file", "x");
    EXPECT_FALSE(changed().save(m_dir / "file" / "a.ini"));
    EXPECT_FALSE(changed().save(m_dir / "missing" / "a.ini"));
    EXPECT_EQ(changed().save(m_dir / "missing" / "a.ini"), SaveResult::WriteFailed);
    std::filesystem::create_directory(m_dir / "dir.ini"); // exists, but cannot be read
    ProfileFile unreadable = ProfileFile::load(m_dir / "dir.ini");
    unreadable.writeString(u"S", u"K", u"v");
    EXPECT_FALSE(unreadable.save(m_dir / "dir.ini"));
    EXPECT_EQ(unreadable.save(m_dir / "dir.ini"), SaveResult::NotReplaced);
    // A file without write bits is read-only whoever saves.
    ::chmod(path().c_str(), 0444);
    EXPECT_FALSE(changed().save(path()));
    EXPECT_EQ(changed().save(path()), SaveResult::ReadOnly);
    EXPECT_EQ(ReadFileBytes(path()), kOld);

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
    EXPECT_FALSE(changed().save(path()));
    EXPECT_EQ(ReadFileBytes(path()), kOld);
}

TEST_F(ProfileSaveTest, KeepsPermissionsAndSymbolicLinks) {
    ::chmod(path().c_str(), 0640);
    std::filesystem::create_symlink(path(), m_dir / "link.ini");
    ASSERT_TRUE(changed().save(m_dir / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "link.ini"));
    struct stat info {};
    ASSERT_EQ(::stat(path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ProfileFile::load(path()).readString(u"S", u"K", u"", 20000).size(), 10000u);
}

} // namespace
} // namespace kestrova
