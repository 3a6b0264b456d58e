#include "history/HistoryStore.h"

#include "process/AppContext.h"
#include "profile/AtomicFile.h"
#include "profile/ProfileFile.h"
#include "support/TempDir.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using Ids = std::vector<std::u16string>;

const std::string kTwoRecords = "[SYSTEM]\nCOUNT=2\n"
                                "[ITEM0]\nVIDEOID=Ab3dE5gH1jK\nTITLE=Morning walk\n"
                                "[ITEM1]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n";
const std::string kWorkedExample = kTwoRecords + "[ITEM2]\nVIDEOID=Qq1Rr2Ss3Tt\nTITLE=Old entry\n";

HistoryItem item(std::u16string id, std::u16string title = u"") {
    HistoryItem record;
    record.m_strVideoId = std::move(id);
    record.m_strTitle = std::move(title);
    return record;
}

std::u16string numbered(int n) {
    const std::string digits = std::to_string(n);
    return u"id" + std::u16string(digits.begin(), digits.end());
}

std::string numberedFile(int count) {
    std::string file = "[SYSTEM]\nCOUNT=" + std::to_string(count) + "\n";
    for (int k = 0; k < count; ++k) {
        file += "[ITEM" + std::to_string(k) + "]\nVIDEOID=id" + std::to_string(k) + "\n";
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
    void load(const std::string& bytes) {
        WriteFileBytes(file(), bytes);
        m_store.LoadHistory();
    }
    Ids ids() const {
        Ids out;
        for (const HistoryItem& record : m_store.items()) {
            out.push_back(record.m_strVideoId);
        }
        return out;
    }

    test::TempDir m_dir;
    HistoryStore m_store;
    int m_refills = 0;
};

TEST_F(HistoryStoreTest, ReadsAndWritesTheWorkedExample) {
    load(kWorkedExample);
    ASSERT_EQ(ids(), (Ids{u"Ab3dE5gH1jK", u"Zy9xW8vU7tS"}));
    EXPECT_EQ(m_store.items()[0].m_strTitle, u"Morning walk");
    const HistoryItem& last = m_store.items()[1];
    EXPECT_EQ(std::tie(last.m_nUnused1, last.m_nUnused2, last.m_nUnused3, last.m_nUnused4),
              std::make_tuple(0, 80, 0, 0));

    std::filesystem::remove(file());
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), kTwoRecords);
}

// A file from before places were kept reads as places at the start and is written back as it
// was; places are read and written; a place left in a section by the record that stood there
// before is overwritten, never taken by the record that stands there now.
TEST_F(HistoryStoreTest, PlacesAreKeptBesideTheRecords) {
    load(kWorkedExample);
    EXPECT_EQ(m_store.placeOf(u"Ab3dE5gH1jK"), 0);
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), kWorkedExample);

    EXPECT_TRUE(m_store.setPlace(u"Ab3dE5gH1jK", 83));
    EXPECT_FALSE(m_store.setPlace(u"Ab3dE5gH1jK", 83));
    EXPECT_FALSE(m_store.setPlace(u"notThere", 5));
    m_store.AddToHistory(item(u"new"));
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), "[SYSTEM]\nCOUNT=3\n"
                                     "[ITEM0]\nVIDEOID=new\nTITLE=\n"
                                     "[ITEM1]\nVIDEOID=Ab3dE5gH1jK\nTITLE=Morning walk\n"
                                     "POSITION=83\n"
                                     "[ITEM2]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n");
    m_store.removeAt(0);
    ASSERT_TRUE(m_store.SaveHistory());
    HistoryStore reread;
    reread.LoadHistory();
    EXPECT_EQ(reread.placeOf(u"Ab3dE5gH1jK"), 83);
    EXPECT_EQ(reread.placeOf(u"Zy9xW8vU7tS"), 0);

    WriteFileBytes(file(), "[SYSTEM]\nCOUNT=3\n[ITEM0]\nVIDEOID=a\nPOSITION=-4\n"
                           "[ITEM1]\nVIDEOID=b\nPOSITION=late\n[ITEM2]\nVIDEOID=c\nposition=7\n");
    HistoryStore handEdited;
    handEdited.LoadHistory();
    EXPECT_EQ(
        (std::vector{handEdited.placeOf(u"a"), handEdited.placeOf(u"b"), handEdited.placeOf(u"c")}),
        (std::vector{0, 0, 7}));
}

TEST_F(HistoryStoreTest, ShorterListLeavesStaleSectionsUnread) {
    load(kWorkedExample);
    m_store.removeAt(0);
    ASSERT_TRUE(m_store.SaveHistory());
    EXPECT_EQ(ReadFileBytes(file()), "[SYSTEM]\nCOUNT=1\n[ITEM0]\nVIDEOID=Zy9xW8vU7tS\nTITLE=\n" +
                                         kWorkedExample.substr(kWorkedExample.find("[ITEM1]")));
    HistoryStore reread;
    reread.LoadHistory();
    EXPECT_EQ(reread.items().size(), 1u);
}

TEST_F(HistoryStoreTest, ReadingHandEditedFiles) {
    const std::pair<std::string, Ids> cases[] = {
        {"[system]\nCount=2\n[item0]\nVideoId=a\n[Item1]\nvideoid=A\n", {u"a", u"A"}},
        {"[SYSTEM]\nCOUNT=3\n[ITEM0]\nVIDEOID=d\n[ITEM2]\nVIDEOID=d\n", {u"d", u"", u"d"}},
        {"[SYSTEM]\nCOUNT=0\n[ITEM0]\nVIDEOID=a\n", {}},
        {"[SYSTEM]\nCOUNT=-3\n[ITEM0]\nVIDEOID=a\n", {}},
        {"[SYSTEM]\nCOUNT=abc\n[ITEM0]\nVIDEOID=a\n", {}},
        {"", {}},
    };
    for (const auto& [bytes, expected] : cases) {
        HistoryStore store;
        WriteFileBytes(file(), bytes);
        store.LoadHistory();
        Ids got;
        for (const HistoryItem& record : store.items()) {
            got.push_back(record.m_strVideoId);
        }
        EXPECT_EQ(got, expected) << bytes;
    }
}

TEST_F(HistoryStoreTest, HugeCountIsCapped) {
    load("[SYSTEM]\nCOUNT=2147483647\n[ITEM0]\nVIDEOID=a\n");
    ASSERT_EQ(m_store.items().size(), std::size_t(HistoryStore::kReadCap));
    EXPECT_EQ(m_store.items()[0].m_strVideoId, u"a");
}

TEST_F(HistoryStoreTest, FiftyPlusOneDropsTheOldest) {
    for (int n = 0; n < 51; ++n) {
        m_store.AddToHistory(item(numbered(n)));
    }
    ASSERT_EQ(m_store.items().size(), 50u);
    EXPECT_EQ(ids().front(), numbered(50));
    EXPECT_EQ(ids().back(), numbered(1));
    EXPECT_EQ(m_refills, 51);
}

TEST_F(HistoryStoreTest, SixtyFromTheFileStaySixty) {
    load(numberedFile(60));
    m_store.AddToHistory(item(u"a"));
    m_store.AddToHistory(item(u"b"));
    ASSERT_EQ(m_store.items().size(), 60u);
    EXPECT_EQ((Ids{ids()[0], ids()[1], ids()[59]}), (Ids{u"b", u"a", numbered(57)}));
}

TEST_F(HistoryStoreTest, PresentIdChangesNothingButCaseMatters) {
    load("[SYSTEM]\nCOUNT=3\n[ITEM0]\nVIDEOID=x\n[ITEM1]\nVIDEOID=dup\n[ITEM2]\nVIDEOID=dup\n");
    m_store.AddToHistory(item(u"dup", u"a title"));
    EXPECT_EQ(ids(), (Ids{u"x", u"dup", u"dup"}));
    EXPECT_EQ(m_store.items()[1].m_strTitle, u"");
    EXPECT_EQ(m_refills, 0);
    m_store.AddToHistory(item(u"DUP"));
    EXPECT_EQ(ids(), (Ids{u"DUP", u"x", u"dup", u"dup"}));
    EXPECT_EQ(m_refills, 1);
}

// The change hook is where the panel saves the file; it must fire for every change a save
// would write, and for nothing else.
TEST_F(HistoryStoreTest, ChangeHookFiresForEveryChangeASaveWouldWriteAndNothingElse) {
    load("[SYSTEM]\nCOUNT=2\n[ITEM0]\nVIDEOID=x\nTITLE=t\n[ITEM1]\nVIDEOID=y\n");
    int changes = 0;
    m_store.setChangeHook([&] { ++changes; });
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"insert", [&] { m_store.AddToHistory(item(u"new")); }},
        {"present id", [&] { m_store.AddToHistory(item(u"x", u"other")); }},
        {"same title", [&] { m_store.setTitle(1, u"t"); }},
        {"new title", [&] { m_store.setTitle(2, u"filled"); }},
        {"title out of range", [&] { m_store.setTitle(9, u"z"); }},
        {"removal", [&] { m_store.removeAt(0); }},
        {"removal out of range", [&] { m_store.removeAt(9); }},
    };
    const int expected[] = {1, 1, 1, 2, 2, 3, 3};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].second();
        EXPECT_EQ(changes, expected[i]) << steps[i].first;
    }
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

// Titles come through a code page 932 round trip, so a new history file is code page 932,
// as the Windows program writes it on a Japanese system.
TEST_F(HistoryStoreTest, NewFileWithJapaneseTitlesIsCp932AndReadsBack) {
    const std::u16string titles[] = {u"朝の散歩", u"ﾃｽﾄ", u"Morning walk", u""};
    for (const std::u16string& title : titles) {
        m_store.AddToHistory(item(u"id" + title, title));
    }
    ASSERT_EQ(m_store.SaveHistory(), SaveResult::Saved);
    EXPECT_EQ(ProfileFile::load(file()).encoding(), ProfileFile::Encoding::Cp932);
    HistoryStore reread;
    reread.LoadHistory();
    ASSERT_EQ(reread.items().size(), std::size(titles));
    for (std::size_t k = 0; k < std::size(titles); ++k) {
        EXPECT_EQ(reread.items()[k].m_strTitle, m_store.items()[k].m_strTitle) << k;
    }
}

TEST_F(HistoryStoreTest, SavePassesOnWhyItFailed) {
    std::filesystem::create_directory(file());
    m_store.LoadHistory();
    EXPECT_TRUE(m_store.items().empty());
    m_store.AddToHistory(item(u"a"));
    EXPECT_EQ(m_store.SaveHistory(), SaveResult::NotReplaced);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_EQ(m_store.saveTo(m_dir / "missing" / "History.ini"), SaveResult::WriteFailed);
}

TEST_F(HistoryStoreTest, SaveIsOneWriteAndAFailedOneKeepsEverything) {
    int writes = 0;
    AtomicFile::WriteSeam().install([&](int fd, const char* data, std::size_t size) {
        ++writes;
        return long(::write(fd, data, size));
    });
    load(numberedFile(50));
    EXPECT_TRUE(m_store.SaveHistory());
    AtomicFile::WriteSeam().install({});
    EXPECT_EQ(writes, 1);

    EXPECT_FALSE(m_store.saveTo(m_dir / "missing" / "History.ini"));
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const std::string before = ReadFileBytes(file());
    m_store.AddToHistory(item(u"new"));
    std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
    EXPECT_FALSE(m_store.saveTo(file()));
    EXPECT_EQ(ReadFileBytes(file()), before);
    EXPECT_EQ(ids().front(), u"new");
}

} // namespace
} // namespace kestrova
