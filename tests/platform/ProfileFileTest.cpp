#include "platform/ProfileFile.h"

#include "platform/Cp932.h"
#include "support/TempDir.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <sys/wait.h>
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
    std::u16string section;
    std::u16string key;
    std::u16string expected; // u"<default>" when the default should come back
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, FollowsTheWindowsRules) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", GetParam().file);
    const ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.readString(GetParam().section, GetParam().key, u"<default>", 261),
              GetParam().expected);
}

const ReadCase kReadCases[] = {
    {"Plain", "[S]\nK=v\n", u"S", u"K", u"v"},
    {"SectionAnyCase", "[system]\nK=v\n", u"SYSTEM", u"K", u"v"},
    {"KeyAnyCase", "[S]\nCount=7\n", u"S", u"COUNT", u"7"},
    {"FirstSectionWins", "[S]\nA=1\n[s]\nA=2\nB=3\n", u"S", u"B", u"<default>"},
    {"FirstKeyWins", "[S]\nK=1\nk=2\n", u"S", u"K", u"1"},
    {"Trimmed", "[S]\n  K \t=  v w \t\n", u"S", u"K", u"v w"},
    {"HeaderTrimmed", "  [ S ]  \nK=v\n", u"S", u"K", u"v"},
    {"DoubleQuotes", "[S]\nK= \"  v \" \n", u"S", u"K", u"  v "},
    {"SingleQuotes", "[S]\nK='v'\n", u"S", u"K", u"v"},
    {"OnePairOnly", "[S]\nK=\"\"v\"\"\n", u"S", u"K", u"\"v\""},
    {"MismatchedQuotesKept", "[S]\nK=\"v'\n", u"S", u"K", u"\"v'"},
    {"EqualsInValue", "[S]\nK=a=b\n", u"S", u"K", u"a=b"},
    {"EmptyValue", "[S]\nK=\n", u"S", u"K", u""},
    {"MissingKey", "[S]\nK=v\n", u"S", u"X", u"<default>"},
    {"MissingSection", "[S]\nK=v\n", u"T", u"K", u"<default>"},
    {"KeyBeforeAnySection", "K=v\n[S]\n", u"S", u"K", u"<default>"},
    {"CommentIsNoKey", "[S]\n;K=v\n", u"S", u"K", u"<default>"},
    {"CrLfAndNoFinalEnding", "[S]\r\nA=1\r\nK=v", u"S", u"K", u"v"},
    {"Utf8WithBom", "\xEF\xBB\xBF[S]\nK=\xE3\x81\x82\n", u"S", u"K", u"あ"},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFileTest, MissingFileReadsAsEmpty) {
    TempDir dir;
    const ProfileFile file = ProfileFile::load(dir / "none.ini");
    EXPECT_EQ(file.readString(u"S", u"K", u"d", 261), u"d");
    EXPECT_EQ(file.readInt(u"S", u"K", 5), 5);
}

TEST(ProfileFileTest, CutsToTheBufferWithoutSplittingASurrogatePair) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", "[S]\nK=" + std::string(300, 'x') + "\nE=abc\xF0\x9F\x98\x80z\n");
    const ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.readString(u"S", u"K", u"", 261), std::u16string(260, u'x'));
    EXPECT_EQ(file.readString(u"S", u"none", u"defaults are cut too", 9), u"defaults");
    EXPECT_EQ(file.readString(u"S", u"E", u"", 5), u"abc"); // not "abc" + half a pair
    EXPECT_EQ(file.readString(u"S", u"E", u"", 6), u"abc\U0001F600");
    EXPECT_EQ(file.readString(u"S", u"K", u"", 0), u"");
}

TEST(ProfileFileTest, ReadsIntegers) {
    TempDir dir;
    WriteFileBytes(dir / "a.ini", "[S]\na=42\nb= -7 \nc=12abc\nd=abc\ne=\nf=2147483647\n"
                                  "g=99999999999\nh=-99999999999\ni=\"5\"\nj=+3\n");
    const ProfileFile file = ProfileFile::load(dir / "a.ini");
    const std::pair<const char16_t*, int> expected[] = {
        {u"a", 42},      {u"b", -7},      {u"c", 12}, {u"d", -1}, {u"e", -1},       {u"f", INT_MAX},
        {u"g", INT_MAX}, {u"h", INT_MIN}, {u"i", 5},  {u"j", 3},  {u"missing", -1},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(file.readInt(u"S", key, -1), value) << "key " << char(key[0]);
    }
}

TEST(ProfileFileTest, NewFileIsUtf8WithLfEndings) {
    TempDir dir;
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    file.writeString(u"S", u"K", u"あ");
    file.writeString(u"T", u"K", u"");
    file.writeString(u"S", u"L", u"2");
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), "[S]\nK=\xE3\x81\x82\nL=2\n[T]\nK=\n");
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
    const std::u16string values[] = {u"line\r\nbreak\nand\rmore",
                                     u"  padded\t",
                                     u"\"quoted\"",
                                     u"'single'",
                                     u"\"",
                                     u"[NOTASECTION]",
                                     u"a=b"};
    ProfileFile file = ProfileFile::load(dir / "a.ini");
    for (std::size_t i = 0; i < std::size(values); ++i) {
        file.writeString(u"S", u"K" + std::u16string(1, char16_t(u'0' + i)), values[i]);
    }
    file.writeString(u"S", u"After", u"still here");
    ASSERT_TRUE(file.save(dir / "a.ini"));

    const ProfileFile reread = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(reread.readString(u"S", u"K0", u"", 261), u"line  break and more");
    for (std::size_t i = 1; i < std::size(values); ++i) {
        EXPECT_EQ(reread.readString(u"S", u"K" + std::u16string(1, char16_t(u'0' + i)), u"", 261),
                  values[i]);
    }
    EXPECT_EQ(reread.readString(u"S", u"After", u"", 261), u"still here");
    EXPECT_EQ(reread.readString(u"break", u"K0", u"none", 261), u"none");
}

std::string utf16Le(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}

TEST(ProfileFileTest, Utf16FileKeepsItsEncodingAndUntouchedBytes) {
    TempDir dir;
    const std::string head = "\xFF\xFE" + utf16Le(u"; 履歴\r\n[SYSTEM]\r\n");
    const std::string tail = utf16Le(u"[ITEM0]\r\nTITLE=朝の散歩\r\n");
    WriteFileBytes(dir / "a.ini", head + utf16Le(u"COUNT=1\r\n") + tail);

    ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.encoding(), ProfileFile::Encoding::Utf16Le);
    EXPECT_EQ(file.readString(u"ITEM0", u"TITLE", u"", 261), u"朝の散歩");
    file.writeString(u"SYSTEM", u"COUNT", u"2");
    file.writeString(u"ITEM1", u"TITLE", u"夜");
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"),
              head + utf16Le(u"COUNT=2\r\n") + tail + utf16Le(u"[ITEM1]\r\nTITLE=夜\r\n"));
}

TEST(ProfileFileTest, Cp932FileKeepsItsEncodingAndUntouchedBytes) {
    TempDir dir;
    // 0xED 0x40 is one of the code page's duplicate mappings: re-encoding its character
    // would give other bytes, so untouched lines must be kept as bytes, not re-encoded.
    const std::string head = "[ITEM0]\r\nTITLE=" + cp932::Encode(u"朝の散歩") + "\xED\x40\r\n";
    WriteFileBytes(dir / "a.ini", head + "VIDEOID=old\r\n");

    ProfileFile file = ProfileFile::load(dir / "a.ini");
    EXPECT_EQ(file.encoding(), ProfileFile::Encoding::Cp932);
    EXPECT_EQ(file.readString(u"ITEM0", u"TITLE", u"", 261).substr(0, 4), u"朝の散歩");
    file.writeString(u"ITEM0", u"VIDEOID", u"夜");
    ASSERT_TRUE(file.save(dir / "a.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), head + "VIDEOID=" + cp932::Encode(u"夜") + "\r\n");
    EXPECT_EQ(ProfileFile::load(dir / "a.ini").readString(u"ITEM0", u"VIDEOID", u"", 261), u"夜");
}

class ProfileSaveFailureTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(path(), kOld); }
    void TearDown() override { ProfileFile::setWriteHook({}); }
    std::filesystem::path path() const { return m_dir / "a.ini"; }
    ProfileFile changed() const {
        ProfileFile file = ProfileFile::load(path());
        file.writeString(u"S", u"K", std::u16string(10000, u'n'));
        return file;
    }
    std::size_t filesInFolder() const {
        return std::size_t(std::distance(std::filesystem::directory_iterator(m_dir.path()),
                                         std::filesystem::directory_iterator()));
    }

    static constexpr const char* kOld = "[S]\nK=old\n";
    TempDir m_dir;
};

TEST_F(ProfileSaveFailureTest, FailedWriteLeavesOldFileWholeAndNoTemporary) {
    ProfileFile::setWriteHook([](int fd, const char* data, std::size_t size) {
        [[maybe_unused]] const ssize_t n = ::write(fd, data, size / 2);
        errno = EIO; // half the bytes, then the disk fails
        return -1L;
    });
    EXPECT_FALSE(changed().save(path()));
    EXPECT_EQ(ReadFileBytes(path()), kOld);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ProfileSaveFailureTest, CrashDuringWriteLeavesOldFileWhole) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ProfileFile::setWriteHook([](int fd, const char* data, std::size_t size) -> long {
            [[maybe_unused]] const ssize_t n = ::write(fd, data, size / 2);
            ::_exit(3); // the process dies half-way through the write
        });
        changed().save(path());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadFileBytes(path()), kOld);
}

TEST_F(ProfileSaveFailureTest, UnwritablePlacesFailCleanly) {
    WriteFileBytes(m_dir / "file", "x");
    EXPECT_FALSE(changed().save(m_dir / "file" / "a.ini")); // a file where a folder should be
    EXPECT_FALSE(changed().save(m_dir / "missing" / "a.ini"));

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
    EXPECT_FALSE(changed().save(path()));
    EXPECT_EQ(ReadFileBytes(path()), kOld);
}

TEST_F(ProfileSaveFailureTest, UnreadableFileIsNeverOverwritten) {
    std::filesystem::create_directory(m_dir / "dir.ini"); // exists, cannot be read as a file
    ProfileFile file = ProfileFile::load(m_dir / "dir.ini");
    file.writeString(u"S", u"K", u"v");
    EXPECT_FALSE(file.save(m_dir / "dir.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "dir.ini"));
}

TEST_F(ProfileSaveFailureTest, SaveKeepsPermissionsAndSymbolicLinks) {
    ::chmod(path().c_str(), 0640);
    std::filesystem::create_symlink(path(), m_dir / "link.ini");
    ASSERT_TRUE(changed().save(m_dir / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "link.ini"));
    struct stat info {};
    ASSERT_EQ(::stat(path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ProfileFile::load(path()).readString(u"S", u"K", u"", 20001).size(), 10000u);
}

} // namespace
} // namespace kestrova
