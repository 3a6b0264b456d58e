#include "PanelFixture.h"
#include "app/CReelnookPlayerDlg.h"
#include "res/Texts.h"
#include "tests/app/ModalRun.h"
#include "tests/support/StandInYtDlp.h"

#include <QElapsedTimer>

namespace kestrova {
namespace {

using test::qs;

constexpr char16_t kId[] = u"Ab3dE5gH1jK";
const std::string kIdUtf8 = "Ab3dE5gH1jK";

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

// The files are written as the windows go: the history first (the player still exists),
// then the settings once the player is gone.
TEST_F(ControlDlgTest, DestructionSavesHistoryThenPlayerGoesThenSettings) {
    writeSettings("Qq1Rr2Ss3Tt");
    createPanel();
    playVideo(qs(kId));
    ASSERT_TRUE(m_messages.isEmpty());

    std::string historyWhenPlayerWent;
    std::string settingsWhenPlayerWent;
    QObject::connect(m_panel->playerDlg(), &QObject::destroyed, [&] {
        historyWhenPlayerWent = historyText();
        settingsWhenPlayerWent = settingsText();
    });
    destroyPanel();
    EXPECT_NE(historyWhenPlayerWent.find("VIDEOID=" + kIdUtf8), std::string::npos);
    EXPECT_NE(settingsWhenPlayerWent.find("VIDEOID=Qq1Rr2Ss3Tt"), std::string::npos);
    EXPECT_NE(settingsText().find("VIDEOID=" + kIdUtf8), std::string::npos);
    // The service addresses are read, never written back differently.
    EXPECT_NE(settingsText().find("FEEDURL=" + m_feed.feedUrl()), std::string::npos);
}

TEST_F(ControlDlgTest, FormatKeyChoosesWhatYtDlpIsAskedForTheServicesVideos) {
    const test::StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    // The default player prefix, so the movie address is the service's.
    test::WriteFileBytes(m_dir / "Kestrova.ini", "[NETWORK]\nFEEDURL=" + m_feed.feedUrl() +
                                                     "\n[PLAYER]\nFORMAT=bv*[height<=240]+ba/b\n");
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

class MainWindowPanelTest : public ControlDlgTest {
protected:
    void SetUp() override {
        ControlDlgTest::SetUp();
        m_previousFactory = CReelnookPlayerDlg::SetControlPanelFactory([this](QWidget* parent) {
            auto panel = std::make_unique<CControlDlg>();
            panel->Create(parent);
            m_mainPanel = panel.get();
            return std::unique_ptr<QWidget>(std::move(panel));
        });
    }
    void TearDown() override {
        CReelnookPlayerDlg::SetControlPanelFactory(std::move(m_previousFactory));
        ControlDlgTest::TearDown();
    }

    CReelnookPlayerDlg::ControlPanelFactory m_previousFactory;
    CControlDlg* m_mainPanel = nullptr;
};

TEST_F(MainWindowPanelTest, PlayerAppearsAboutATenthOfASecondAfterTheMainWindow) {
    CReelnookPlayerDlg main;
    main.show();
    ASSERT_NE(m_mainPanel, nullptr);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(m_mainPanel->playerDlg()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_mainPanel->playerDlg()->isVisible(); }, 3000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 60);
    EXPECT_LE(elapsed, 600);
    EXPECT_FALSE(m_mainPanel->showPlayerTimerActive());
}

TEST_F(MainWindowPanelTest, PlayerStaysHiddenWhileTheMainWindowIs) {
    CReelnookPlayerDlg main;
    main.show();
    main.hide();
    QTest::qWait(350);
    EXPECT_FALSE(m_mainPanel->playerDlg()->isVisible());
    EXPECT_TRUE(m_mainPanel->showPlayerTimerActive());
}

TEST_F(MainWindowPanelTest, PanelFitsInsideTheMainWindow) {
    CReelnookPlayerDlg main;
    main.show();
    const QRect panel = m_mainPanel->geometry();
    EXPECT_TRUE(main.rect().contains(panel)) << panel.right() << " > " << main.width();
    EXPECT_TRUE(m_mainPanel->rect().contains(m_mainPanel->historyDlg()->geometry()));
}

TEST_F(MainWindowPanelTest, EnterInTheAddressBoxLeavesTheWindowOpenEscClosesIt) {
    writeSettings("Qq1Rr2Ss3Tt");
    CReelnookPlayerDlg main;
    const int result = test::RunModal(main, [&] {
        m_mainPanel->activateWindow();
        QLineEdit* address = findControl<QLineEdit>(m_mainPanel, ids::kAddressEdit);
        address->setFocus();
        address->setText(QStringLiteral("typed, never played"));
        QTest::keyClick(address, Qt::Key_Return);
        EXPECT_TRUE(main.isVisible());
        EXPECT_TRUE(m_messages.isEmpty());
        QTest::keyClick(address, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.controlPanel(), nullptr);
    EXPECT_NE(settingsText().find("VIDEOID=Qq1Rr2Ss3Tt\n"), std::string::npos);
    EXPECT_NE(historyText().find("COUNT=0"), std::string::npos);
}

} // namespace
} // namespace kestrova
