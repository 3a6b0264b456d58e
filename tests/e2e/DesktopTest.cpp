// The whole program under a real window manager, on an X server of its own: where the player
// window opens, what stands above what, what a click and the keyboard do, what the screen
// shows, and what the next start remembers.
#include "tests/desktop/BusCall.h"
#include "tests/desktop/TestBus.h"
#include "tests/e2e/DesktopSession.h"
#include "tests/e2e/ProgramFixture.h"
#include "tests/support/ColourfulShare.h"
#include "tests/support/MediaClip.h"

#include <functional>
#include <memory>

#include <QDBusConnectionInterface>
#include <QImage>
#include <QThread>

#include <gmock/gmock.h>

namespace kestrova {
namespace {

using namespace test;

class DesktopTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (!DesktopSession::available())
            GTEST_SKIP() << "needs Xvfb, openbox, xdotool, xprop, xwininfo and ImageMagick";
        m_session = std::make_unique<DesktopSession>();
        ASSERT_TRUE(m_session->ready()) << m_session->log();
    }

    // Starts the program and waits for both windows; false (with a failure) when they did
    // not appear.
    bool start(std::unique_ptr<Program>& program,
               const std::function<void(QProcessEnvironment&)>& session = {}) {
        program = std::make_unique<Program>(executable(), QStringList{}, false, session);
        if (!waitUntil([&] {
                return !(m_main = program->visibleWindow("Kestrova")).isEmpty() &&
                       !(m_player = program->visibleWindow("Player")).isEmpty();
            })) {
            ADD_FAILURE() << "the windows did not appear; " << program->describe();
            return false;
        }
        // The window manager has framed both once their extents are known.
        return waitUntil(
            [&] { return FrameOf(m_player) != QRect() && FrameOf(m_main) != QRect(); });
    }

    bool stackedAbove(const QString& upper, const QString& lower) const {
        const QStringList order = StackingOrder();
        return order.indexOf(upper) > order.indexOf(lower) && order.indexOf(lower) >= 0;
    }

    // Starts the program on a session bus of the test's own and waits until its media controls
    // are there; false (with a failure) when they did not come.
    bool startOnBus(test::TestBus& bus, std::unique_ptr<Program>& program) {
        if (bus.address().isEmpty() || !start(program, [&](QProcessEnvironment& env) {
                env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
            }))
            return false;
        m_client = bus.connect(QStringLiteral("test"));
        const bool there = waitUntil(
            [&] { return m_client.interface()->isServiceRegistered(kMprisName).value(); });
        if (!there)
            ADD_FAILURE() << "no media controls; " << program->describe();
        return there;
    }
    QVariant mediaProperty(const QString& name) {
        return test::PropertyOn(m_client, kMprisName, kMprisPath, kMprisPlayer, name, QDBus::Block);
    }
    void callMedia(const QString& interface, const QString& method) {
        test::CallOn(m_client, kMprisName, kMprisPath, interface, method, {}, QDBus::Block);
    }

    // Marks the first row of the history list from the keyboard and presses Play Back. After a
    // Play Video the focus is on its button; at the start it is in the address box, one before.
    void playBackTheFirstRecord(bool afterPlayVideo) {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_main});
        QStringList keys = {QStringLiteral("key"), QStringLiteral("--delay"),
                            QStringLiteral("100")};
        for (int i = afterPlayVideo ? 1 : 0; i < 5; ++i)
            keys << QStringLiteral("Tab");
        keys << QStringLiteral("space") << QStringLiteral("shift+Tab")
             << QStringLiteral("shift+Tab") << QStringLiteral("space");
        xdotool(keys);
    }

    void clickInto(const QString& window) {
        const QRect frame = FrameOf(window);
        xdotool({QStringLiteral("mousemove"), QString::number(frame.center().x()),
                 QString::number(frame.center().y()), QStringLiteral("click"),
                 QStringLiteral("1")});
    }

    const QString kMprisName = QStringLiteral("org.mpris.MediaPlayer2.kestrova");
    const QString kMprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
    const QString kMprisPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

    std::unique_ptr<DesktopSession> m_session;
    QString m_main;
    QString m_player;
    QDBusConnection m_client{QString()};
};

TEST_F(DesktopTest, PlayerOpensBesideTheMainWindowAboveItAndShowsTheMovie) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program));
    const QRect main = FrameOf(m_main);
    const QRect player = FrameOf(m_player);
    EXPECT_FALSE(main.intersects(player))
        << "main " << main.x() << "," << main.y() << " " << main.width() << "x" << main.height()
        << "; player " << player.x() << "," << player.y();
    EXPECT_TRUE(QRect(0, 0, 1280, 1024).contains(player));
    EXPECT_TRUE(stackedAbove(m_player, m_main));

    ASSERT_TRUE(playThroughTheWindow(*program));
    QThread::msleep(1500);
    const std::string shot = (m_dir / "screen.png").string();
    ASSERT_TRUE(TakeScreenshot(QString::fromStdString(shot)));
    const QImage screen(QString::fromStdString(shot));
    ASSERT_FALSE(screen.isNull());
    // Nothing was moved: the movie shows where the player opened.
    EXPECT_EQ(FrameOf(m_player), player);
    EXPECT_GT(test::ColourfulShare(screen, player.intersected(screen.rect())), 0.2);
}

// A person who starts the program and types at once types into the address box, also while
// the player window appears.
TEST_F(DesktopTest, TypingRightAfterTheStartGoesIntoTheAddressBox) {
    Program program(executable(), {}, false);
    ASSERT_TRUE(waitUntil([&] { return !(m_main = program.visibleWindow("Kestrova")).isEmpty(); }))
        << program.describe();
    ASSERT_TRUE(waitUntil([&] { return xdotool({QStringLiteral("getactivewindow")}) == m_main; }));
    // Slow enough for the player to appear while the ID is typed.
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"),
             QString::fromStdString(kId)});
    // On a busy machine the player may come only once the typing is done.
    EXPECT_TRUE(waitUntil([&] { return !program.visibleWindow("Player").isEmpty(); }));
    EXPECT_EQ(xdotool({QStringLiteral("getactivewindow")}), m_main);
    xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50"),
             QStringLiteral("Tab"), QStringLiteral("space")});
    EXPECT_TRUE(waitUntil([&] { return movieRequested(); })) << program.describe();
}

TEST_F(DesktopTest, ClickOnThePlayerBringsItToTheFrontAndItsKeysCloseNothing) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program));
    clickInto(m_main);
    ASSERT_TRUE(waitUntil([&] { return stackedAbove(m_main, m_player); }, 5000));
    clickInto(m_player);
    EXPECT_TRUE(waitUntil([&] { return stackedAbove(m_player, m_main); }, 5000));
    EXPECT_TRUE(
        waitUntil([&] { return xdotool({QStringLiteral("getactivewindow")}) == m_player; }, 5000));

    for (const char* key : {"Escape", "Return", "KP_Enter"})
        xdotool({QStringLiteral("key"), QString::fromLatin1(key)});
    QThread::msleep(500);
    EXPECT_FALSE(program->visibleWindow("Kestrova").isEmpty()) << program->describe();
    EXPECT_FALSE(program->visibleWindow("Player").isEmpty());
    EXPECT_FALSE(program->process().waitForFinished(200)) << "the program ended";
}

// A second click on the menu entry while the window is minimised or behind others.
TEST_F(DesktopTest, LaterStartBringsTheMainWindowToTheFront) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program));
    xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), m_main});
    clickInto(m_player);
    ASSERT_TRUE(waitUntil([&] { return program->visibleWindow("Kestrova").isEmpty(); }, 5000));
    Program later(executable(), {}, false);
    EXPECT_TRUE(later.finish()) << later.describe();
    EXPECT_TRUE(
        waitUntil([&] { return xdotool({QStringLiteral("getactivewindow")}) == m_main; }, 5000))
        << program->describe();
    EXPECT_TRUE(stackedAbove(m_main, m_player));
}

// Whether the process has mapped Mesa's OpenGL driver: a *_dri.so up to Mesa 24.1 (Debian 12),
// libgallium from Mesa 24.2 on (Debian 13).
bool mapsOpenGLDriver(qint64 pid) {
    const std::string maps = ReadFileBytes("/proc/" + std::to_string(pid) + "/maps");
    return maps.find("_dri.so") != std::string::npos ||
           maps.find("libgallium") != std::string::npos;
}

// The OpenGL renderer and the engine's outputs hold most of a player's memory: they wait at
// rest, and come as soon as a person turns to the main window to type.
TEST_F(DesktopTest, EngineWaitsAtRestAndWarmsUpWhenThePersonTurnsToTheMainWindow) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program, [](QProcessEnvironment& env) {
        env.insert(QStringLiteral("KESTROVA_TRACE_FIRST_FRAME"), QStringLiteral("1"));
    }));
    const qint64 pid = program->process().processId();
    QByteArray trace;
    const auto readFor = [&](int ms) {
        waitUntil(
            [&] {
                program->process().waitForReadyRead(50);
                trace += program->process().readAllStandardError();
                return false;
            },
            ms);
    };
    readFor(1500);
    EXPECT_FALSE(mapsOpenGLDriver(pid)) << "an OpenGL driver at rest";
    EXPECT_FALSE(trace.contains("engine-made")) << trace.toStdString();

    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_main});
    xdotool({QStringLiteral("key"), QStringLiteral("a")});
    EXPECT_TRUE(waitUntil([&] { return mapsOpenGLDriver(pid); }, 10000));
    readFor(1500);
    EXPECT_TRUE(trace.contains("engine-made")) << trace.toStdString();
    // The warm-up neither reports a movie of its own nor fails.
    EXPECT_FALSE(trace.contains("file-loaded")) << trace.toStdString();
    EXPECT_FALSE(trace.contains("first-frame")) << trace.toStdString();
}

TEST_F(DesktopTest, PlayerComesBackWhereItWasLeft) {
    QRect left;
    {
        std::unique_ptr<Program> program;
        ASSERT_TRUE(start(program));
        xdotool(
            {QStringLiteral("windowsize"), m_player, QStringLiteral("420"), QStringLiteral("300")});
        xdotool(
            {QStringLiteral("windowmove"), m_player, QStringLiteral("60"), QStringLiteral("640")});
        ASSERT_TRUE(waitUntil([&] { return FrameOf(m_player).size().width() > 400; }, 5000));
        QThread::msleep(300);
        left = FrameOf(m_player);
        ::kill(static_cast<pid_t>(program->process().processId()), SIGTERM);
        ASSERT_TRUE(program->finish()) << program->describe();
    }
    EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[PLAYER]"), std::string::npos);
    std::unique_ptr<Program> again;
    ASSERT_TRUE(start(again));
    EXPECT_EQ(FrameOf(m_player), left) << FrameOf(m_player).x() << "," << FrameOf(m_player).y()
                                       << " against " << left.x() << "," << left.y();
}

void sendKeys(const QStringList& keys) {
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200")} +
            keys);
}

// What the screen shows in the middle of the player's movie.
QImage movieMiddle(const QString& player, const std::filesystem::path& shot) {
    if (!TakeScreenshot(QString::fromStdString(shot.string())))
        return {};
    const QRect frame = FrameOf(player);
    return QImage(QString::fromStdString(shot.string()))
        .copy(QRect(0, 0, frame.width() / 2, frame.height() / 4)
                  .translated(frame.center() - QPoint(frame.width() / 4, frame.height() / 8)));
}

TEST_F(DesktopTest, SpaceInThePlayerStopsTheFramesOnTheScreenAndASecondStartsThem) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(playThroughTheWindow(*program));
    QThread::msleep(1000);
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_player});
    xdotool({QStringLiteral("key"), QStringLiteral("space")});
    QThread::msleep(500);
    const QImage paused = movieMiddle(m_player, m_dir / "paused.png");
    ASSERT_GT(test::ColourfulShare(paused), 0.2) << "no movie on the screen";
    QThread::msleep(700);
    EXPECT_EQ(movieMiddle(m_player, m_dir / "still.png"), paused) << "the frames went on";

    xdotool({QStringLiteral("key"), QStringLiteral("space")});
    EXPECT_TRUE(waitUntil([&] { return movieMiddle(m_player, m_dir / "on.png") != paused; }, 5000))
        << "the frames did not start again";

    // A click on the movie's own window reaches the player too.
    clickInto(m_player);
    QThread::msleep(500);
    const QImage clicked = movieMiddle(m_player, m_dir / "clicked.png");
    QThread::msleep(700);
    EXPECT_EQ(movieMiddle(m_player, m_dir / "clicked-still.png"), clicked) << "a click went by";
}

// The desktop's media controls, on a session bus of the test's own.
TEST_F(DesktopTest, MediaControlsPauseTheFramesOnTheScreenAndQuitSavesBothFiles) {
    test::TestBus bus;
    std::unique_ptr<Program> program;
    ASSERT_TRUE(startOnBus(bus, program));
    ASSERT_TRUE(playThroughTheWindow(*program));
    QThread::msleep(1000);

    callMedia(kMprisPlayer, QStringLiteral("PlayPause"));
    QThread::msleep(500);
    const QImage paused = movieMiddle(m_player, m_dir / "paused.png");
    ASSERT_GT(test::ColourfulShare(paused), 0.2) << "no movie on the screen";
    QThread::msleep(700);
    EXPECT_EQ(movieMiddle(m_player, m_dir / "still.png"), paused) << "the frames went on";
    EXPECT_EQ(mediaProperty(QStringLiteral("PlaybackStatus")), QStringLiteral("Paused"));

    callMedia(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
    ASSERT_TRUE(program->finish()) << program->describe();
    expectPlayedFilesLeft();
}

TEST_F(DesktopTest, SpeedKeysInThePlayerReachTheMediaControls) {
    test::TestBus bus;
    std::unique_ptr<Program> program;
    ASSERT_TRUE(startOnBus(bus, program));
    ASSERT_TRUE(playThroughTheWindow(*program));
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_player});
    sendKeys({QStringLiteral("shift+period"), QStringLiteral("shift+period")});
    EXPECT_TRUE(waitUntil([&] { return mediaProperty(QStringLiteral("Rate")) == 1.5; }, 5000))
        << mediaProperty(QStringLiteral("Rate")).toDouble();
}

// A 40-second clip left at 60 % (24 s) goes on from there when it is played back from the
// history, in the same run and in the next.
TEST_F(DesktopTest, VideoLeftMidwayGoesOnFromThereWhenPlayedBackAlsoAfterARestart) {
    const std::filesystem::path clip = m_dir / "forty.webm";
    ASSERT_TRUE(test::MakeTestClip(clip, {160, 90, 25, 40}));
    m_media.setClip(ReadFileBytes(clip));
    test::TestBus bus;
    const auto position = [&] { return mediaProperty(QStringLiteral("Position")).toLongLong(); };
    // The movie is asked for again, and plays from where it was left, not from its start.
    const auto playsFrom = [&](std::size_t requestsBefore) {
        return waitUntil([&] { return m_media.requestTargets().size() > requestsBefore; }) &&
               waitUntil([&] { return position() > 20'000'000; }, 10000);
    };
    for (int run = 0; run < 2; ++run) {
        std::unique_ptr<Program> program;
        ASSERT_TRUE(startOnBus(bus, program));
        if (run == 0) {
            ASSERT_TRUE(playThroughTheWindow(*program));
            ASSERT_TRUE(waitUntil([&] { return position() > 0; })) << program->describe();
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_player});
            sendKeys({QStringLiteral("6")});
            ASSERT_TRUE(waitUntil([&] { return position() >= 24'000'000; }, 5000));
            sendKeys({QStringLiteral("space")});
        }
        const std::size_t requests = m_media.requestTargets().size();
        playBackTheFirstRecord(run == 0);
        EXPECT_TRUE(playsFrom(requests))
            << "run " << run << " plays from " << position() / 1e6 << " s";
        callMedia(kMprisPlayer, QStringLiteral("Pause"));
        callMedia(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
        ASSERT_TRUE(program->finish()) << program->describe();
    }
    EXPECT_THAT(ReadFileBytes(m_dir / "History.ini"), ::testing::HasSubstr("POSITION=2"));
}

TEST_F(DesktopTest, VolumeAndMuteSetInThePlayerAreKeptForTheNextRun) {
    const auto settings = [&] { return ReadFileBytes(m_dir / "Kestrova.ini"); };
    for (int run = 0; run < 2; ++run) {
        std::unique_ptr<Program> program;
        ASSERT_TRUE(start(program));
        if (run == 0) {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_player});
            xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"),
                     QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
                     QStringLiteral("Down"), QStringLiteral("m")});
            QThread::msleep(300);
        }
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_main});
        sendKeys({QStringLiteral("alt+F4")});
        ASSERT_TRUE(program->finish()) << program->describe();
        EXPECT_NE(settings().find("VOLUME=80\nMUTE=1\n"), std::string::npos)
            << "run " << run << ": " << settings();
    }
}

struct CloseCase {
    const char* name;
    std::function<void(Program&, const QString& main)> close;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class DesktopCloseTest : public DesktopTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(DesktopCloseTest, EveryWayOfClosingSavesBothFiles) {
    std::unique_ptr<Program> program;
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(playThroughTheWindow(*program));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_main});
    GetParam().close(*program, m_main);
    ASSERT_TRUE(program->finish()) << program->describe();
    expectPlayedFilesLeft();
}

void sendSignal(Program& program, int signal) {
    ::kill(static_cast<pid_t>(program.process().processId()), signal);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesktopCloseTest,
    ::testing::Values(
        // The window manager's close, as its close box and Alt+F4 send it.
        CloseCase{"WindowManagerClose",
                  [](Program&, const QString&) { sendKeys({QStringLiteral("alt+F4")}); }},
        CloseCase{"Escape", [](Program&, const QString&) { sendKeys({QStringLiteral("Escape")}); }},
        CloseCase{"WindowMenuClose",
                  [](Program&, const QString&) {
                      sendKeys({QStringLiteral("shift+F10"), QStringLiteral("c")});
                  }},
        CloseCase{"Terminate", [](Program& p, const QString&) { sendSignal(p, SIGTERM); }},
        CloseCase{"HangUp", [](Program& p, const QString&) { sendSignal(p, SIGHUP); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
