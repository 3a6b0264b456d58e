#include "history/HistoryStore.h"

#include "app/AppContext.h"
#include "platform/ProfileFile.h"
#include "support/TempDir.h"

#include <chrono>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::string kWorkedExample = "[SYSTEM]\nCOUNT=2\n"
                                   "[ITEM0]\nVIDEOID=Ab3dE5gH1jK\nTITLE=Morning walk\n"
                                   "[ITEM1]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n"
                                   "[ITEM2]\nVIDEOID=Qq1Rr2Ss3Tt\nTITLE=Old entry\n";

HistoryItem item(std::u16string id, std::u16string title = u"") {
    HistoryItem record;
    record.m_strVideoId = std::move(id);
    record.m_strTitle = std::move(title);
    return record;
}

std::u16string numberedId(int n) {
    const std::string digits = std::to_string(n);
    return u"id" + std::u16string(digits.begin(), digits.end());
}

std::string numberedFile(int count) {
    std::string file = "[SYSTEM]\nCOUNT=" + std::to_string(count) + "\n";
    for (int k = 0; k < count; ++k) {
        file += "[ITEM" + std::to_string(k) + "]\nVIDEOID=id" + std::to_string(k) + "\nTITLE=\n";
    }
    return file;
}

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetAppContext().m_strProgramDir = m_dir.path();
        m_store.setRefillHook([this] { ++m_refills; });
    }
    void TearDown() override { ReleaseAppContext(); }

    std::filesystem::path file() const { return m_dir / "History.ini"; }
    void loadFile(const std::string& bytes) {
        WriteFileBytes(file(), bytes);
        m_store.LoadHistory();
    }
    std::vector<std::u16string> ids() const {
        std::vector<std::u16string> out;
        for (const HistoryItem& record : m_store.items()) {
            out.push_back(record.m_strVideoId);
        }
        return out;
    }

    TempDir m_dir;
    HistoryStore m_store;
    int m_refills = 0;
};

TEST_F(HistoryStoreTest, ReadsTheWorkedExample) {
    loadFile(kWorkedExample);
    ASSERT_EQ(m_store.items().size(), 2u);
    const HistoryItem& first = m_store.items()[0];
    EXPECT_EQ(first.m_strVideoId, u"Ab3dE5gH1jK");
    EXPECT_EQ(first.m_strTitle, u"Morning walk");
    EXPECT_EQ(m_store.items()[1].m_strVideoId, u"Zy9xW8vU7tS");
    EXPECT_EQ(m_store.items()[1].m_strTitle, u"");
    for (const HistoryItem& record : m_store.items()) {
        EXPECT_EQ(
            std::tie(record.m_nUnused1, record.m_nUnused2, record.m_nUnused3, record.m_nUnused4),
            std::make_tuple(0, 80, 0, 0));
    }
}

TEST_F(HistoryStoreTest, WritesANewFileExactly) {
    m_store.AddToHistory(item(u"Zy9xW8vU7tS"));
    m_store.AddToHistory(item(u"Ab3dE5gH1jK", u"Morning walk"));
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), kWorkedExample.substr(0, kWorkedExample.find("[ITEM2]")));

    HistoryStore empty;
    std::filesystem::remove(file());
    ASSERT_TRUE(empty.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), "[SYSTEM]\nCOUNT=0\n");
}

TEST_F(HistoryStoreTest, ShorterListLeavesStaleSectionsUnread) {
    loadFile(kWorkedExample);
    m_store.removeAt(0);
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), "[SYSTEM]\nCOUNT=1\n"
                                     "[ITEM0]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n"
                                     "[ITEM1]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n"
                                     "[ITEM2]\nVIDEOID=Qq1Rr2Ss3Tt\nTITLE=Old entry\n");
    HistoryStore reread;
    reread.LoadHistory();
    EXPECT_EQ(reread.items().size(), 1u);
}

TEST_F(HistoryStoreTest, FiftyPlusOneDropsTheOldest) {
    for (int n = 0; n < 50; ++n) {
        m_store.AddToHistory(item(numberedId(n)));
    }
    m_store.AddToHistory(item(u"new"));
    ASSERT_EQ(m_store.items().size(), 50u);
    EXPECT_EQ(ids().front(), u"new");
    EXPECT_EQ(ids().back(), numberedId(1));
    EXPECT_EQ(m_refills, 51);
}

TEST_F(HistoryStoreTest, SixtyFromTheFileStaySixty) {
    loadFile(numberedFile(60));
    ASSERT_EQ(m_store.items().size(), 60u);
    m_store.AddToHistory(item(u"a"));
    m_store.AddToHistory(item(u"b"));
    ASSERT_EQ(m_store.items().size(), 60u);
    EXPECT_EQ(ids()[0], u"b");
    EXPECT_EQ(ids()[1], u"a");
    EXPECT_EQ(ids().back(), numberedId(57));
}

TEST_F(HistoryStoreTest, PresentIdChangesNothing) {
    loadFile("[SYSTEM]\nCOUNT=3\n[ITEM0]\nVIDEOID=x\n[ITEM1]\nVIDEOID=dup\nTITLE=\n"
             "[ITEM2]\nVIDEOID=dup\nTITLE=second\n");
    ASSERT_EQ(ids(), (std::vector<std::u16string>{u"x", u"dup", u"dup"}));
    m_store.AddToHistory(item(u"dup", u"a title"));
    EXPECT_EQ(ids(), (std::vector<std::u16string>{u"x", u"dup", u"dup"}));
    EXPECT_EQ(m_store.items()[1].m_strTitle, u"");
    EXPECT_EQ(m_refills, 0);

    m_store.AddToHistory(item(u"DUP")); // letter case makes another video
    EXPECT_EQ(ids().front(), u"DUP");
    EXPECT_EQ(m_refills, 1);
}

TEST_F(HistoryStoreTest, LongTitleIsWrittenWholeAndReadCut) {
    const std::u16string title(300, u'あ');
    m_store.AddToHistory(item(u"id", title));
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ProfileFile::load(file()).readString(u"ITEM0", u"TITLE", u"", 1000), title);
    HistoryStore reread;
    reread.LoadHistory();
    EXPECT_EQ(reread.items().at(0).m_strTitle, title.substr(0, 260));
}

TEST_F(HistoryStoreTest, HandEditedNamesMatchInAnyCase) {
    loadFile("[system]\nCount=1\n[item0]\nVideoId=abc\ntitle=T\n");
    ASSERT_EQ(m_store.items().size(), 1u);
    EXPECT_EQ(m_store.items()[0].m_strVideoId, u"abc");
    EXPECT_EQ(m_store.items()[0].m_strTitle, u"T");
}

TEST_F(HistoryStoreTest, CountThatIsNoPositiveNumberGivesEmptyList) {
    for (const char* count : {"0", "-3", "abc", "", "-2147483648"}) {
        HistoryStore store;
        WriteFileBytes(file(), std::string("[SYSTEM]\nCOUNT=") + count + "\n[ITEM0]\nVIDEOID=a\n");
        store.LoadHistory();
        EXPECT_TRUE(store.items().empty()) << "COUNT=" << count;
    }
}

TEST_F(HistoryStoreTest, HugeCountIsCapped) {
    const auto start = std::chrono::steady_clock::now();
    loadFile("[SYSTEM]\nCOUNT=2147483647\n[ITEM0]\nVIDEOID=a\n");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(m_store.items().size(), std::size_t(HistoryStore::kReadCap));
    EXPECT_EQ(m_store.items()[0].m_strVideoId, u"a");
    EXPECT_EQ(m_store.items()[1].m_strVideoId, u""); // missing sections read as empty
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(HistoryStoreTest, LineBreakInATitleCannotBreakTheFile) {
    m_store.AddToHistory(item(u"b"));
    m_store.AddToHistory(item(u"a", u"one\r\n[SYSTEM]\nCOUNT=99"));
    ASSERT_TRUE(m_store.SaveHistory());
    HistoryStore reread;
    reread.LoadHistory();
    ASSERT_EQ(reread.items().size(), 2u);
    EXPECT_EQ(reread.items()[0].m_strTitle, u"one  [SYSTEM] COUNT=99");
    EXPECT_EQ(reread.items()[1].m_strVideoId, u"b");
}

TEST_F(HistoryStoreTest, SaveIsOneWrite) {
    int writes = 0;
    ProfileFile::setWriteHook([&](int fd, const char* data, std::size_t size) {
        ++writes;
        return long(::write(fd, data, size));
    });
    loadFile(numberedFile(50));
    EXPECT_TRUE(m_store.SaveHistory());
    ProfileFile::setWriteHook({});
    EXPECT_EQ(writes, 1);
}

TEST_F(HistoryStoreTest, FailedSaveKeepsTheListAndTheOldFile) {
    loadFile(kWorkedExample);
    m_store.AddToHistory(item(u"new"));
    EXPECT_FALSE(m_store.saveTo(m_dir / "missing" / "History.ini"));
    EXPECT_EQ(m_store.items().size(), 3u);

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
    EXPECT_FALSE(m_store.saveTo(file()));
    EXPECT_EQ(ReadFileBytes(file()), kWorkedExample);
    EXPECT_EQ(m_store.items().size(), 3u);
}

TEST_F(HistoryStoreTest, PanelEditsByIndex) {
    loadFile(kWorkedExample);
    m_store.setTitle(1, u"Evening");
    m_store.setTitle(7, u"ignored");
    m_store.removeAt(0);
    m_store.removeAt(5);
    ASSERT_EQ(m_store.items().size(), 1u);
    EXPECT_EQ(m_store.items()[0].m_strTitle, u"Evening");
    EXPECT_EQ(m_refills, 0);
}

} // namespace
} // namespace kestrova
