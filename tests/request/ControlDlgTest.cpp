#include "PanelFixture.h"
#include "app/CReelnookPlayerDlg.h"
#include "res/Texts.h"
#include "tests/app/ModalRun.h"
#include "tests/support/StandInYtDlp.h"

#include <functional>

#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>

namespace kestrova {
namespace {

using test::qs;

constexpr char16_t kId[] = u"Ab3dE5gH1jK";
const std::string kIdUtf8 = "Ab3dE5gH1jK";
const std::string kFeedTarget = "/feeds/api/videos/Ab3dE5gH1jK";

class ControlDlgTest : public test::PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        m_feed.setTitle(kId, u"Morning walk");
    }
};

struct RequestCase {
    const char* name;
    QString typed;
    QString shownAfter;          // the edit box after the request
    std::u16string_view message; // empty: none
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayVideoRequestTest : public ControlDlgTest,
                             public ::testing::WithParamInterface<RequestCase> {};

TEST_P(PlayVideoRequestTest, EditShowsTheBareIdOnlyAfterSuccess) {
    const RequestCase& c = GetParam();
    writeSettings("Qq1Rr2Ss3Tt");
    CControlDlg& panel = createPanel();
    playVideo(c.typed);

    EXPECT_EQ(edit()->text(), c.shownAfter);
    if (c.message.empty()) {
        EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'|').toStdString();
        EXPECT_EQ(panel.m_strLastVideoId, kId);
        ASSERT_EQ(history().store().items().size(), 1u);
        EXPECT_EQ(history().store().items()[0].m_strTitle, u"Morning walk");
        EXPECT_TRUE(QTest::qWaitFor([&] { return movieRequested(kIdUtf8); }, 10000));
    } else {
        EXPECT_EQ(m_messages, QStringList{qs(c.message)});
        EXPECT_EQ(panel.m_strLastVideoId, u"Qq1Rr2Ss3Tt");
        EXPECT_TRUE(history().store().items().empty());
        EXPECT_FALSE(m_cursorOverriddenAtMessage) << "the wait cursor outlived the request";
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    destroyPanel();
    // A rejected or failed request leaves the saved ID as it was.
    EXPECT_NE(settingsText().find("VIDEOID=" + (c.message.empty() ? kIdUtf8 : "Qq1Rr2Ss3Tt")),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayVideoRequestTest,
    ::testing::Values(
        RequestCase{"Address",
                    QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK&t=3"),
                    QStringLiteral("Ab3dE5gH1jK"),
                    {}},
        RequestCase{"BareId", QStringLiteral("Ab3dE5gH1jK"), QStringLiteral("Ab3dE5gH1jK"), {}},
        RequestCase{"Rejected", QStringLiteral("http://example.com/watch"),
                    QStringLiteral("http://example.com/watch"), texts::kMsgBadReference},
        RequestCase{"FeedFails", QStringLiteral("https://youtu.be/?v=Zz9zZ9zZ9zZ"),
                    QStringLiteral("https://youtu.be/?v=Zz9zZ9zZ9zZ"), texts::kMsgFeedFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlDlgTest, StoredIdIsShownUnparsedAtStart) {
    writeSettings("http://not/an id");
    createPanel();
    EXPECT_EQ(edit()->text(), QStringLiteral("http://not/an id"));
    destroyPanel();
    EXPECT_NE(settingsText().find("VIDEOID=http://not/an id\n"), std::string::npos);
}

// Enter on a focused button presses it; elsewhere it is the main window's (see below).
TEST_F(ControlDlgTest, EnterOnTheFocusedPlayVideoButtonPlays) {
    CControlDlg& panel = createPanel();
    edit()->setText(qs(kId));
    auto* play = findControl<QPushButton>(&panel, ids::kPlayVideoButton);
    play->setFocus();
    QTest::keyClick(play, Qt::Key_Return);
    waitForFeedRequests();
    EXPECT_EQ(panel.m_strLastVideoId, kId);
}

TEST_F(ControlDlgTest, PlayingAnIdAlreadyInTheHistoryLeavesTheOrderAlone) {
    writeHistory({{"Zy9xW8vU7tS", "First"}, {kIdUtf8, "Old title"}, {"Qq1Rr2Ss3Tt", "Third"}});
    CControlDlg& panel = createPanel();
    playVideo(qs(kId));
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(listedIds(), (std::vector<std::string>{"Zy9xW8vU7tS", kIdUtf8, "Qq1Rr2Ss3Tt"}));
    EXPECT_EQ(history().store().items()[1].m_strTitle, u"Old title");
    EXPECT_EQ(panel.m_strLastVideoId, kId);
    EXPECT_TRUE(QTest::qWaitFor([&] { return movieRequested(kIdUtf8); }, 10000));
}

TEST_F(ControlDlgTest, MarkedVideoFollowsItsRowWhenANewVideoIsPlayed) {
    writeHistory(
        {{"Zy9xW8vU7tS", ""}, {"Qq1Rr2Ss3Tt", ""}, {"Pp0Oo9Nn8Mm", ""}, {"Xx1Yy2Zz3Ww", ""}});
    createPanel();
    clickRow(3);
    ASSERT_EQ(history().currentRow(), 3);
    playVideo(qs(kId));
    ASSERT_EQ(list()->topLevelItemCount(), 5);
    EXPECT_EQ(listedIds()[0], kIdUtf8);
    EXPECT_EQ(history().currentRow(), 4);
    EXPECT_EQ(list()->topLevelItem(4)->text(0), QStringLiteral("Xx1Yy2Zz3Ww"));
    EXPECT_TRUE(list()->topLevelItem(4)->isSelected());
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(4));
}

TEST_F(ControlDlgTest, TopMostSwitchesTheBandWithoutMovingThePlayer) {
    CControlDlg& panel = createPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.playerDlg()->isVisible(); }, 5000));
    const QRect before = panel.playerDlg()->geometry();
    for (bool on : {true, false}) {
        QTest::mouseClick(topMost(), Qt::LeftButton, {}, QPoint(4, topMost()->height() / 2));
        EXPECT_EQ(topMost()->isChecked(), on);
        EXPECT_EQ(bool(panel.playerDlg()->windowFlags() & Qt::WindowStaysOnTopHint), on);
        EXPECT_TRUE(panel.playerDlg()->isVisible());
        EXPECT_EQ(panel.playerDlg()->geometry(), before);
    }
}

TEST_F(ControlDlgTest, PlayBackUpdatesTheEditAndSavedIdWithoutARequest) {
    writeHistory({{"Zy9xW8vU7tS", "First"}, {"", "No ID"}});
    CControlDlg& panel = createPanel();
    clickRow(0);
    click(&history(), ids::kPlayBackButton);
    EXPECT_EQ(edit()->text(), QStringLiteral("Zy9xW8vU7tS"));
    EXPECT_EQ(panel.m_strLastVideoId, u"Zy9xW8vU7tS");
    EXPECT_TRUE(QTest::qWaitFor([&] { return movieRequested("Zy9xW8vU7tS"); }, 10000));

    clickRow(1);
    click(&history(), ids::kPlayBackButton);
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_TRUE(panel.m_strLastVideoId.empty());
    EXPECT_TRUE(m_feed.requests().empty());
    EXPECT_EQ(listedIds(), (std::vector<std::string>{"Zy9xW8vU7tS", ""}));
}

// Every change is saved at once; at the end the files are written again as the windows go:
// the history first (the player still exists), then the settings once the player is gone,
// with the player's last geometry.
TEST_F(ControlDlgTest, PlaysAreSavedAtOnceAndDestructionSavesHistoryThenPlayerGoesThenSettings) {
    writeSettings("Qq1Rr2Ss3Tt");
    CControlDlg& panel = createPanel();
    playVideo(qs(kId));
    ASSERT_TRUE(m_messages.isEmpty());
    EXPECT_NE(historyText().find("VIDEOID=" + kIdUtf8), std::string::npos);
    EXPECT_NE(settingsText().find("VIDEOID=" + kIdUtf8), std::string::npos);

    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.playerDlg()->isVisible(); }, 5000));
    panel.playerDlg()->setGeometry(12, 34, 321, 234);
    std::string historyWhenPlayerWent;
    std::string settingsWhenPlayerWent;
    QObject::connect(m_panel->playerDlg(), &QObject::destroyed, [&] {
        historyWhenPlayerWent = historyText();
        settingsWhenPlayerWent = settingsText();
    });
    destroyPanel();
    const std::string moved = "X=12\nY=34\nWIDTH=321\nHEIGHT=234\n";
    EXPECT_NE(historyWhenPlayerWent.find("VIDEOID=" + kIdUtf8), std::string::npos);
    EXPECT_EQ(settingsWhenPlayerWent.find(moved), std::string::npos) << settingsWhenPlayerWent;
    EXPECT_NE(settingsText().find("VIDEOID=" + kIdUtf8), std::string::npos);
    EXPECT_NE(settingsText().find(moved), std::string::npos) << settingsText();
    // The service addresses are read, never written back differently.
    EXPECT_NE(settingsText().find("FEEDURL=" + m_feed.feedUrl()), std::string::npos);
}

// A moved player is saved once it has stayed put for a moment, without waiting for the end.
TEST_F(ControlDlgTest, MovedPlayerIsSavedOnceAtRest) {
    CControlDlg& panel = createPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.playerDlg()->isVisible(); }, 5000));
    for (int x : {100, 110, 120})
        panel.playerDlg()->setGeometry(x, 50, 300, 200);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return settingsText().find("X=120\nY=50\nWIDTH=300\n") != std::string::npos; }, 3000))
        << settingsText();
}

// The player starts with the stored sound and speed; a change is saved once it has stayed a
// moment.
TEST_F(ControlDlgTest, SoundComesFromTheSettingsAndChangesAreSavedAtRest) {
    test::WriteFileBytes(m_dir / "Kestrova.ini",
                         settingsText() + "[PLAYER]\nVOLUME=40\nMUTE=1\nSPEED=150\n");
    CControlDlg& panel = createPanel();
    PlaybackModel& playback = panel.playerDlg()->flash().playback();
    EXPECT_EQ(playback.state().volume, 40);
    EXPECT_TRUE(playback.state().muted);
    EXPECT_EQ(playback.state().speed, 1.5);
    playback.stepVolume(-5);
    playback.toggleMute();
    playback.stepSpeed(1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return settingsText().find("VOLUME=35\nMUTE=0\nSPEED=175\n") != std::string::npos; },
        3000))
        << settingsText();
}

// A video that played to its end starts afresh: the loop puts its place back at the start, and
// the history keeps that at once.
TEST_F(ControlDlgTest, PlaceOfAVideoThatLoopedIsItsStart) {
    test::WriteFileBytes(m_dir / "History.ini", "[SYSTEM]\nCOUNT=1\n[ITEM0]\nVIDEOID=" + kIdUtf8 +
                                                    "\nTITLE=t\nPOSITION=25\n");
    createPanel();
    clickRow(0);
    click(&history(), ids::kPlayBackButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return history().store().placeOf(kId) == 0; }, 10000));
    EXPECT_NE(historyText().find("POSITION=0\n"), std::string::npos) << historyText();
}

TEST_F(ControlDlgTest, FormatKeyChoosesWhatYtDlpIsAskedForTheServicesVideos) {
    const test::StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    // The default player prefix, so the movie address is the service's.
    test::WriteFileBytes(m_dir / "Kestrova.ini",
                         "[NETWORK]\nFEEDURL=" + m_feed.feedUrl() +
                             "\nYTDLPURL=\n[PLAYER]\nFORMAT=bv*[height<=240]+ba/b\n");
    createPanel();
    playVideo(qs(kId));
    ASSERT_TRUE(m_messages.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ytDlp.calls().empty(); }, 10000));
    EXPECT_EQ(test::ArgumentAfter(ytDlp.calls()[0], "--format"), "bv*[height<=240]+ba/b");
    EXPECT_EQ(ytDlp.calls()[0].back(),
              "http://www.youtube.com/v/" + kIdUtf8 + "?version=3&rel=0&autoplay=1&loop=1");
    destroyPanel(); // the player goes while the stand-in is still on PATH
    EXPECT_NE(settingsText().find("FORMAT=bv*[height<=240]+ba/b\n"), std::string::npos);
}

// A service video typed into the box is readied before the press: the press finds yt-dlp's
// answer, and nothing is played, recorded or saved until then.
TEST_F(ControlDlgTest, ATypedServiceVideoIsReadiedBeforeThePress) {
    const test::StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    test::WriteFileBytes(m_dir / "Kestrova.ini",
                         "[NETWORK]\nFEEDURL=" + m_feed.feedUrl() + "\nYTDLPURL=\n");
    CControlDlg& panel = createPanel();
    QTest::keyClicks(edit(), QStringLiteral("https://www.youtube.com/watch?v=") + qs(kId));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ytDlp.calls().size() == 1; }, 10000));
    EXPECT_TRUE(panel.playingVideoId().empty());
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "History.ini"));

    playVideo(edit()->text());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return panel.playerDlg()->flash().playback().state().opened; }, 10000));
    EXPECT_EQ(ytDlp.calls().size(), 1u);
    destroyPanel();
}

// The feed server holds the title request open until the test lets it answer.
class HeldRequestTest : public ControlDlgTest {
protected:
    void SetUp() override {
        ControlDlgTest::SetUp();
        m_feed.holdRequests(kFeedTarget);
    }
    void TearDown() override {
        m_feed.releaseRequests(kFeedTarget);
        ControlDlgTest::TearDown();
    }
    bool requestArrived() const {
        return QTest::qWaitFor([&] { return !m_feed.requests().empty(); }, 5000);
    }
};

TEST_F(HeldRequestTest, LoopRunsAndPanelInputIsHeldBackWhileTheRequestIsOpen) {
    writeHistory({{"Zy9xW8vU7tS", "First"}, {"Qq1Rr2Ss3Tt", "Second"}});
    CControlDlg& panel = createPanel();
    clickRow(0);
    QElapsedTimer clock;
    clock.start();
    pressPlayVideo(qs(kId));
    EXPECT_LT(clock.elapsed(), 1000) << "the press waited for the answer";
    ASSERT_TRUE(requestArrived());
    EXPECT_TRUE(panel.feedRequestRunning());
    EXPECT_NE(QApplication::overrideCursor(), nullptr) << "no wait cursor";

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    edit()->setFocus();
    QTest::keyClicks(edit(), "xyz");
    QTest::keyClick(edit(), Qt::Key_Backspace);
    click(m_panel.get(), ids::kPlayVideoButton);
    QTest::mouseClick(topMost(), Qt::LeftButton, {}, QPoint(4, topMost()->height() / 2));
    clickRow(1);
    click(&history(), ids::kDeleteButton);
    click(&history(), ids::kPlayBackButton);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    QTest::qWait(300);

    EXPECT_GE(ticks, 10) << "the event loop stood still";
    EXPECT_EQ(edit()->text(), qs(kId));
    EXPECT_FALSE(topMost()->isChecked());
    EXPECT_EQ(history().currentRow(), 0);
    EXPECT_EQ(listedIds(), (std::vector<std::string>{"Zy9xW8vU7tS", "Qq1Rr2Ss3Tt"}));
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'|').toStdString();
    EXPECT_EQ(m_feed.requests().size(), 1u) << "a second request started";
    EXPECT_TRUE(m_media.requestTargets().empty()) << "something played";
    EXPECT_TRUE(panel.m_strLastVideoId.empty());
}

TEST_F(HeldRequestTest, AnsweredRequestAppliesItsStepsInOrderAndFreesTheInput) {
    writeSettings("Qq1Rr2Ss3Tt");
    CControlDlg& panel = createPanel();
    const QString typed = QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK");
    pressPlayVideo(typed);
    ASSERT_TRUE(requestArrived());
    // The history's refill comes before the edit box and the saved ID change.
    QString editAtRefill;
    std::u16string savedIdAtRefill;
    QObject::connect(list()->model(), &QAbstractItemModel::rowsInserted, [&] {
        editAtRefill = edit()->text();
        savedIdAtRefill = panel.m_strLastVideoId;
    });
    m_feed.releaseRequests(kFeedTarget);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.feedRequestRunning(); }, 10000));

    EXPECT_EQ(editAtRefill, typed);
    EXPECT_EQ(savedIdAtRefill, u"Qq1Rr2Ss3Tt");
    EXPECT_EQ(listedIds(), std::vector<std::string>{kIdUtf8});
    EXPECT_EQ(history().store().items()[0].m_strTitle, u"Morning walk");
    EXPECT_EQ(edit()->text(), qs(kId));
    EXPECT_EQ(panel.m_strLastVideoId, kId);
    EXPECT_TRUE(QTest::qWaitFor([&] { return movieRequested(kIdUtf8); }, 10000));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_messages.isEmpty());
    // The panel takes input again.
    QTest::keyClick(edit(), Qt::Key_Backspace);
    EXPECT_EQ(edit()->text(), QStringLiteral("Ab3dE5gH1j"));
}

} // namespace
} // namespace kestrova
