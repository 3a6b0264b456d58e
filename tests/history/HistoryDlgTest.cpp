#include "res/Texts.h"
#include "tests/request/PanelFixture.h"

#include <QElapsedTimer>
#include <QHeaderView>

namespace kestrova {
namespace {

using test::NumberedId;
using test::qs;

class HistoryDlgTest : public test::PanelFixture {
protected:
    void pressDelete() { click(&history(), ids::kDeleteButton); }
    void pressPlayBack() { click(&history(), ids::kPlayBackButton); }

    void doubleClickViewport(QPoint at) {
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(HistoryDlgTest, ListHasTheThreeColumnsAndFixedHeadings) {
    createPanel();
    QTreeWidgetItem* heading = list()->headerItem();
    ASSERT_EQ(list()->columnCount(), 3);
    EXPECT_EQ(heading->text(0), QStringLiteral("VideoID"));
    EXPECT_EQ(heading->text(1), QStringLiteral("Video Title"));
    EXPECT_EQ(heading->text(2), QString());
    EXPECT_EQ(list()->header()->sectionSize(0), 100);
    EXPECT_EQ(list()->header()->sectionSize(1), 400);
    EXPECT_EQ(list()->header()->sectionSize(2), 0);
    EXPECT_FALSE(list()->header()->sectionsClickable());
    EXPECT_FALSE(list()->isSortingEnabled());
    EXPECT_TRUE(findControl<QPushButton>(&history(), ids::kGetTitleButton)->isHidden());
}

TEST_F(HistoryDlgTest, CommandsWithoutACurrentRowShowTheirMessages) {
    createPanel(); // no History.ini: an empty list
    pressPlayBack();
    doubleClickViewport(QPoint(20, 20));
    pressDelete();
    EXPECT_EQ(m_messages, (QStringList{qs(texts::kMsgSelectToPlay), qs(texts::kMsgSelectToPlay),
                                       qs(texts::kMsgSelectToDelete)}));
}

TEST_F(HistoryDlgTest, DeletingTheMarkedRowLeavesNoCurrentRow) {
    writeHistory({{"Zy9xW8vU7tS", "a"}, {"Qq1Rr2Ss3Tt", "b"}, {"Pp0Oo9Nn8Mm", "c"}});
    createPanel();
    clickRow(1);
    pressDelete();
    EXPECT_EQ(listedIds(), (std::vector<std::string>{"Zy9xW8vU7tS", "Pp0Oo9Nn8Mm"}));
    EXPECT_EQ(history().currentRow(), -1);
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(m_messages.isEmpty());
    // Saved at once, not only at the end.
    EXPECT_NE(historyText().find("COUNT=2\n[ITEM0]\nVIDEOID=Zy9xW8vU7tS\nTITLE=a\n"
                                 "[ITEM1]\nVIDEOID=Pp0Oo9Nn8Mm\n"),
              std::string::npos)
        << historyText();
    pressDelete();
    EXPECT_EQ(m_messages, QStringList{qs(texts::kMsgSelectToDelete)});
    EXPECT_EQ(listedIds().size(), 2u);

    destroyPanel();
    EXPECT_NE(historyText().find("COUNT=2"), std::string::npos);
}

TEST_F(HistoryDlgTest, PlayBackFromTheLastRowOfALongListKeepsTheOrder) {
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = 0; i < 50; ++i) {
        records.emplace_back(NumberedId(i), "title " + std::to_string(i));
    }
    writeHistory(records);
    createPanel();
    const std::vector<std::string> before = listedIds();
    clickRow(49);
    pressPlayBack();
    EXPECT_EQ(edit()->text(), QString::fromStdString(NumberedId(49)));
    EXPECT_EQ(listedIds(), before);
    EXPECT_EQ(history().currentRow(), 49);
    EXPECT_TRUE(QTest::qWaitFor([&] { return movieRequested(NumberedId(49)); }, 10000));
}

TEST_F(HistoryDlgTest, DoubleClickOnEmptySpacePlaysTheCurrentRow) {
    writeHistory({{"Zy9xW8vU7tS", "a"}, {"Qq1Rr2Ss3Tt", "b"}});
    createPanel();
    clickRow(1);
    const QPoint below(10, list()->viewport()->height() - 5);
    ASSERT_EQ(list()->itemAt(below), nullptr);
    doubleClickViewport(below);
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(edit()->text(), QStringLiteral("Qq1Rr2Ss3Tt"));
}

TEST_F(HistoryDlgTest, DeleteAndEnterKeysInTheListDoNothing) {
    writeHistory({{"Zy9xW8vU7tS", "a"}, {"Qq1Rr2Ss3Tt", "b"}});
    createPanel();
    clickRow(0);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Delete);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(listedIds().size(), 2u);
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_TRUE(m_media.requestTargets().empty());
}

// Offline, every record would wait for its own time-out: the first failure ends the run.
TEST_F(HistoryDlgTest, GetTitleFillsTheEmptyTitlesUpToTheFirstFailure) {
    writeHistory(
        {{"Pp0Oo9Nn8Mm", ""}, {"Qq1Rr2Ss3Tt", "kept"}, {"Zy9xW8vU7tS", ""}, {"Xx1Yy2Zz3Ww", ""}});
    m_feed.setTitle(u"Pp0Oo9Nn8Mm", u"Fetched & found");
    m_feed.setTitle(u"Xx1Yy2Zz3Ww", u"Never asked for");
    // Zy9xW8vU7tS is unknown to the server: 404.
    createPanel();
    clickRow(0);
    QPushButton* getTitle = findControl<QPushButton>(&history(), ids::kGetTitleButton);
    getTitle->click();
    waitForFeedRequests();

    const auto& items = history().store().items();
    EXPECT_EQ(items[0].m_strTitle, u"Fetched & found");
    EXPECT_EQ(items[1].m_strTitle, u"kept");
    EXPECT_EQ(items[2].m_strTitle, u"");
    EXPECT_EQ(items[3].m_strTitle, u"");
    EXPECT_EQ(list()->topLevelItem(0)->text(1), QStringLiteral("Fetched & found"));
    EXPECT_EQ(history().currentRow(), 0);
    EXPECT_EQ(m_feed.requests().size(), 2u);
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_NE(historyText().find("VIDEOID=Pp0Oo9Nn8Mm\nTITLE=Fetched & found\n"), std::string::npos)
        << historyText();
}

// A succeeds, B keeps its title, C succeeds, D is held open.
class GetTitleRunTest : public HistoryDlgTest {
protected:
    static constexpr char kHeldTarget[] = "/feeds/api/videos/Xx1Yy2Zz3Ww";

    void SetUp() override {
        HistoryDlgTest::SetUp();
        writeHistory({{"Zy9xW8vU7tS", ""},
                      {"Qq1Rr2Ss3Tt", "kept"},
                      {"Pp0Oo9Nn8Mm", ""},
                      {"Xx1Yy2Zz3Ww", ""}});
        m_feed.setTitle(u"Zy9xW8vU7tS", u"First");
        m_feed.setTitle(u"Pp0Oo9Nn8Mm", u"Fetched");
        m_feed.setTitle(u"Xx1Yy2Zz3Ww", u"Held title");
        m_feed.holdRequests(kHeldTarget);
    }
    void TearDown() override {
        m_feed.releaseRequests(kHeldTarget);
        HistoryDlgTest::TearDown();
    }

    // Presses Get Title and waits until the held record's request is open.
    void startAndReachTheHeldRecord() {
        findControl<QPushButton>(&history(), ids::kGetTitleButton)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_feed.requests().size() == 3; }, 10000));
        EXPECT_EQ(m_feed.requests().back().target, kHeldTarget);
    }
};

TEST_F(GetTitleRunTest, TitlesLandAsTheyComeAndTheListIsRefilledOnceAtTheEnd) {
    CControlDlg& panel = createPanel();
    clickRow(1);
    startAndReachTheHeldRecord();
    const auto& items = history().store().items();
    EXPECT_EQ(items[0].m_strTitle, u"First");
    EXPECT_EQ(items[2].m_strTitle, u"Fetched");
    EXPECT_EQ(list()->topLevelItem(2)->text(1), QString()) << "refilled before the end";
    EXPECT_TRUE(panel.feedRequestRunning());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    pressDelete();
    click(m_panel.get(), ids::kPlayVideoButton);
    QTest::qWait(100);
    EXPECT_EQ(listedIds().size(), 4u);
    EXPECT_EQ(m_feed.requests().size(), 3u);

    m_feed.releaseRequests(kHeldTarget);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.feedRequestRunning(); }, 10000));
    EXPECT_EQ(items[3].m_strTitle, u"Held title");
    EXPECT_EQ(list()->topLevelItem(2)->text(1), QStringLiteral("Fetched"));
    EXPECT_EQ(list()->topLevelItem(3)->text(1), QStringLiteral("Held title"));
    EXPECT_EQ(list()->topLevelItem(0)->text(1), QStringLiteral("First"));
    EXPECT_EQ(history().currentRow(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(GetTitleRunTest, ClosingMidRunKeepsTheTitlesThatLandedAndDropsTheHeldOne) {
    createPanel();
    startAndReachTheHeldRecord();
    QElapsedTimer clock;
    clock.start();
    destroyPanel();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(historyText(), "[SYSTEM]\nCOUNT=4\n"
                             "[ITEM0]\nVIDEOID=Zy9xW8vU7tS\nTITLE=First\n"
                             "[ITEM1]\nVIDEOID=Qq1Rr2Ss3Tt\nTITLE=kept\n"
                             "[ITEM2]\nVIDEOID=Pp0Oo9Nn8Mm\nTITLE=Fetched\n"
                             "[ITEM3]\nVIDEOID=Xx1Yy2Zz3Ww\nTITLE=\n");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace kestrova
