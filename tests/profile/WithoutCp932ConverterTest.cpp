// A system without glibc's converter modules: every iconv_open of this program fails, so the
// code page 932 tables are built without the converter (this program's definition stands in
// for the C library's, for the core too).
#include "profile/ProfileFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

#include <cerrno>
#include <iconv.h>

#include <gtest/gtest.h>

extern "C" iconv_t iconv_open(const char*, const char*) {
    errno = EINVAL;
    return iconv_t(-1);
}

namespace kestrova {
namespace {

TEST(WithoutCp932ConverterTest, AsciiStillConvertsAsItself) {
    EXPECT_EQ(cp932::Decode("[SYSTEM]\r\nA=b\n\x82\xa0."), u"[SYSTEM]\r\nA=b\n\uFFFD.");
    bool lossless = false;
    EXPECT_EQ(cp932::Encode(u"K=v\n", '?', &lossless), "K=v\n");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(cp932::Encode(u"\u3042", '?', &lossless), "?");
    EXPECT_FALSE(lossless);
}

// A history in code page 932 reads line by line as before, its Japanese title aside.
TEST(WithoutCp932ConverterTest, HistoryInCodePage932KeepsItsLinesAndBytes) {
    test::TempDir dir;
    const std::string bytes = "[SYSTEM]\r\nCOUNT=1\r\n[ITEM0]\r\nVIDEOID=Ab3dE5gH1jK\r\n"
                              "TITLE=\x82\xa0\x82\xa2\r\n";
    test::WriteFileBytes(dir / "History.ini", bytes);
    ProfileFile file = ProfileFile::load(dir / "History.ini");
    EXPECT_EQ(file.encoding(), ProfileFile::Encoding::Cp932);
    EXPECT_EQ(file.readInt(u"SYSTEM", u"COUNT", 0), 1);
    EXPECT_EQ(file.readString(u"ITEM0", u"VIDEOID", u"", 261), u"Ab3dE5gH1jK");
    EXPECT_EQ(file.readString(u"ITEM0", u"TITLE", u"", 261), u"\uFFFD\uFFFD");
    file.writeString(u"ITEM0", u"TITLE", u"\uFFFD\uFFFD");
    EXPECT_EQ(file.serialise(), bytes);
}

} // namespace
} // namespace kestrova
