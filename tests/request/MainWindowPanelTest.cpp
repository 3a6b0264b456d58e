// The control panel inside the real main window: when the player window first shows and
// where, what the next start restores, and every way the main window's run ends.
#include "PanelFixture.h"
#include "app/CReelnookPlayerApp.h"
#include "app/CReelnookPlayerDlg.h"
#include "app/Session.h"
#include "process/AppContext.h"
#include "res/Texts.h"
#include "tests/app/ModalRun.h"
#include "tests/desktop/BusCall.h"
#include "tests/desktop/TestBus.h"

#include <functional>

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace kestrova {
namespace {

using test::qs;
using test::WriteFileBytes;

constexpr char16_t kId[] = u"Ab3dE5gH1jK";
const std::string kIdUtf8 = "Ab3dE5gH1jK";
const std::string kFeedTarget = "/feeds/api/videos/Ab3dE5gH1jK";

class MainWindowPanelTest : public test::PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        m_feed.setTitle(kId, u"Morning walk");
    }

    // A run's session without the desktop or later starts; its main window.
    CReelnookPlayerDlg& startSession(Session::Options options = {}) {
        m_session = std::make_unique<Session>(std::move(options));
        return m_session->mainWindow();
    }
    // From the main window's first show.
    CControlDlg* mainPanel() const { return m_session->panel(); }

    void TearDown() override {
        m_session.reset(); // saves while the program folder is still known
        PanelFixture::TearDown();
    }

    std::unique_ptr<Session> m_session;
};

TEST_F(MainWindowPanelTest, PlayerAppearsAboutATenthOfASecondAfterTheMainWindow) {
    CReelnookPlayerDlg& main = startSession();
    main.show();
    ASSERT_NE(mainPanel(), nullptr);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(mainPanel()->playerDlg()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return mainPanel()->playerDlg()->isVisible(); }, 3000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 60);
    EXPECT_LE(elapsed, 600);
    EXPECT_FALSE(mainPanel()->showPlayerTimerActive());
}

TEST_F(MainWindowPanelTest, PlayerStaysHiddenWhileTheMainWindowIs) {
    CReelnookPlayerDlg& main = startSession();
    main.show();
    main.hide();
    QTest::qWait(350);
    EXPECT_FALSE(mainPanel()->playerDlg()->isVisible());
    EXPECT_TRUE(mainPanel()->showPlayerTimerActive());
}

TEST_F(MainWindowPanelTest, PanelFitsInsideTheMainWindow) {
    CReelnookPlayerDlg& main = startSession();
    main.show();
    const QRect panel = mainPanel()->geometry();
    EXPECT_TRUE(main.rect().contains(panel)) << panel.right() << " > " << main.width();
    EXPECT_TRUE(mainPanel()->rect().contains(mainPanel()->historyDlg()->geometry()));
}

TEST_F(MainWindowPanelTest, EnterInTheAddressBoxLeavesTheWindowOpenEscClosesIt) {
    writeSettings("Qq1Rr2Ss3Tt");
    CReelnookPlayerDlg& main = startSession();
    const int result = test::RunModal(main, [&] {
        mainPanel()->activateWindow();
        QLineEdit* address = findControl<QLineEdit>(mainPanel(), ids::kAddressEdit);
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

struct CloseCase {
    const char* name;
    std::function<void(CReelnookPlayerDlg&, CControlDlg&)> close;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class CloseDuringRequestTest : public MainWindowPanelTest,
                               public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseDuringRequestTest, ClosesAtOnceAppliesNothingAndSavesBothFiles) {
    writeSettings("Qq1Rr2Ss3Tt");
    writeHistory({{"Zy9xW8vU7tS", "First"}});
    m_feed.holdRequests(kFeedTarget);
    CReelnookPlayerDlg& main = startSession();
    main.show();
    ASSERT_NE(mainPanel(), nullptr);
    QLineEdit* address = findControl<QLineEdit>(mainPanel(), ids::kAddressEdit);
    address->setText(qs(kId));
    QTest::mouseClick(findControl<QPushButton>(mainPanel(), ids::kPlayVideoButton), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_feed.requests().empty(); }, 5000));

    QElapsedTimer clock;
    clock.start();
    GetParam().close(main, *mainPanel());
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.controlPanel() == nullptr; }, 1000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const std::string settings = settingsText();
    const std::string history = historyText();
    EXPECT_NE(settings.find("VIDEOID=Qq1Rr2Ss3Tt\n"), std::string::npos) << settings;
    EXPECT_EQ(history, "[SYSTEM]\nCOUNT=1\n[ITEM0]\nVIDEOID=Zy9xW8vU7tS\nTITLE=First\n");
    // The answer that comes after the close reaches nothing.
    m_feed.releaseRequests(kFeedTarget);
    QTest::qWait(200);
    EXPECT_EQ(settingsText(), settings);
    EXPECT_EQ(historyText(), history);
    EXPECT_FALSE(movieRequested(kIdUtf8));
    EXPECT_TRUE(m_messages.isEmpty());
}

// The window menu's Close command, as the platform numbers it.
constexpr int kCloseCommand = 0xF060;

void triggerWindowMenuClose(CReelnookPlayerDlg& main) {
    for (QAction* action : main.systemMenu()->actions()) {
        if (action->data().toInt() == kCloseCommand) {
            action->trigger();
            return;
        }
    }
    ADD_FAILURE() << "the window menu has no Close";
}

INSTANTIATE_TEST_SUITE_P(
    Table, CloseDuringRequestTest,
    ::testing::Values(
        CloseCase{"EscInTheAddressBox",
                  [](CReelnookPlayerDlg&, CControlDlg& panel) {
                      QLineEdit* address = findControl<QLineEdit>(&panel, ids::kAddressEdit);
                      address->setFocus();
                      QTest::keyClick(address, Qt::Key_Escape);
                  }},
        CloseCase{"CloseBox", [](CReelnookPlayerDlg& main, CControlDlg&) { main.close(); }},
        CloseCase{"WindowMenuClose",
                  [](CReelnookPlayerDlg& main, CControlDlg&) { triggerWindowMenuClose(main); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowPanelTest, PlayerOpensBesideTheMainWindowAndIsRememberedAtTheEnd) {
    CReelnookPlayerDlg& main = startSession();
    main.show();
    CPlayerDlg* player = mainPanel()->playerDlg();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->isVisible(); }, 3000));
    EXPECT_FALSE(player->frameGeometry().intersects(main.frameGeometry()));
    EXPECT_TRUE(main.screen()->availableGeometry().contains(player->frameGeometry()));

    player->setGeometry(30, 40, 500, 300);
    main.close();
    ASSERT_EQ(main.controlPanel(), nullptr);
    EXPECT_NE(settingsText().find("[PLAYER]\nX=30\nY=40\nWIDTH=500\nHEIGHT=300\nMAXIMIZED=0\n"),
              std::string::npos)
        << settingsText();
}

// The desktop's media controls go before the player and its playback model: a call that comes
// while the player is being destroyed finds no media player, rather than a model that is gone.
TEST_F(MainWindowPanelTest, MediaControlsCalledWhileThePlayerGoesFindNoPlayer) {
    if (!test::TestBus::available())
        GTEST_SKIP() << "dbus-daemon is not installed";
    test::TestBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    const QString service = QStringLiteral("org.mpris.MediaPlayer2.kestrova");
    QDBusConnection remote = bus.connect(QStringLiteral("remote"));
    CReelnookPlayerDlg& main = startSession({{}, {}, bus.connect(QStringLiteral("kestrova"))});
    main.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return remote.interface()->isServiceRegistered(service).value(); }, 5000));

    QDBusMessage answer;
    QObject::connect(mainPanel()->playerDlg(), &QObject::destroyed, [&] {
        answer =
            test::CallOn(remote, service, QStringLiteral("/org/mpris/MediaPlayer2"),
                         QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Pause"));
    });
    main.close();
    EXPECT_EQ(answer.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"))
        << answer.errorMessage().toStdString();
}

struct RestoreCase {
    const char* name;
    std::string section;
    bool restored; // false: placed beside the main window instead
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayerRestoreTest : public MainWindowPanelTest,
                          public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(PlayerRestoreTest, StoredGeometryIsUsedOnlyWhereAScreenShowsIt) {
    WriteFileBytes(m_dir / "Kestrova.ini",
                   "[NETWORK]\nPLAYERURL=" + m_media.playerPrefix() + "\n" + GetParam().section);
    CReelnookPlayerDlg& main = startSession();
    main.show();
    CPlayerDlg* player = mainPanel()->playerDlg();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->isVisible(); }, 3000));
    if (GetParam().restored) {
        EXPECT_EQ(player->geometry(), QRect(-100, 50, 400, 260));
    } else {
        EXPECT_FALSE(player->frameGeometry().intersects(main.frameGeometry()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayerRestoreTest,
    ::testing::Values(
        RestoreCase{"PartlyOffScreen", "[PLAYER]\nX=-100\nY=50\nWIDTH=400\nHEIGHT=260\n", true},
        RestoreCase{"NoScreenThere", "[PLAYER]\nX=-5000\nY=50\nWIDTH=400\nHEIGHT=260\n", false},
        RestoreCase{"Garbage", "[PLAYER]\nX=left\nY=50\nWIDTH=400\nHEIGHT=260\n", false},
        RestoreCase{"TooSmall", "[PLAYER]\nX=-100\nY=50\nWIDTH=40\nHEIGHT=260\n", false},
        RestoreCase{"NoSection", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// quit() closes the main window through its own close, so the files are saved as at any close.
TEST_F(MainWindowPanelTest, QuitEndsTheRunThroughTheMainWindowsClose) {
    writeSettings("Qq1Rr2Ss3Tt");
    bool aboutToQuit = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { aboutToQuit = true; });
    CReelnookPlayerDlg& main = startSession();
    QTimer::singleShot(300, [] { QCoreApplication::quit(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(RunMainWindow(main), 0);
    EXPECT_TRUE(aboutToQuit);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.controlPanel(), nullptr);
    EXPECT_NE(settingsText().find("VIDEOID=Qq1Rr2Ss3Tt\n"), std::string::npos);
    EXPECT_NE(historyText().find("COUNT=0"), std::string::npos);
}

// A run ended by exit() rather than by a close still saves, and into the program folder: the
// start-up state outlives the windows by the order of their scopes.
TEST_F(MainWindowPanelTest, ExitWithoutACloseStillSavesIntoTheProgramFolder) {
    ASSERT_FALSE(std::filesystem::exists(m_dir / "History.ini"));
    {
        const AppContextScope contextScope;
        GetAppContext().m_strProgramDir = m_dir.path();
        CReelnookPlayerDlg& main = startSession();
        QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
        ASSERT_EQ(RunMainWindow(main), 0);
        EXPECT_NE(main.controlPanel(), nullptr); // not closed: the session's end saves
        m_session.reset();
    }
    EXPECT_EQ(historyText(), "[SYSTEM]\nCOUNT=0\n");
    EXPECT_NE(settingsText().find("[SYSTEM]\nVIDEOID=\n"), std::string::npos);
}

} // namespace
} // namespace kestrova
