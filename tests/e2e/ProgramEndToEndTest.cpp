// Starts the kestrova executable from a temporary program folder, drives its window on the X
// server with xdotool, and checks the files it leaves behind.
#include "tests/support/FeedServer.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::FeedServer;
using test::MediaServer;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::string kId = "Ab3dE5gH1jK";
constexpr int kStepLimitMs = 20000;
// From SIGTERM to the end of the process.
constexpr int kExitLimitMs = 1000;

bool waitUntil(const std::function<bool()>& condition, int limitMs = kStepLimitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

// Whether the process has a handler for the signal, from /proc.
bool handlesSignal(qint64 pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u;
        }
    }
    return false;
}

// Runs xdotool with the arguments; its standard output, empty when it failed.
QString xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(2000);
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// The program under test, killed at the end whatever happened.
class Program {
public:
    // `session` adjusts the environment last, for a desktop session of another kind.
    Program(const std::filesystem::path& executable, const QStringList& arguments, bool headless,
            const std::function<void(QProcessEnvironment&)>& session = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (headless) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            // Only on a real X server: libxkbcommon-x11 hands strndup a length over an
            // unterminated key name (valid C that the strict string check reports), and the
            // GLX driver is unloaded before the leak check runs, leaving its caches without a
            // module to suppress them by. The program's own leaks are checked headless.
            const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
            if (!asan.isEmpty()) {
                environment.insert(QStringLiteral("ASAN_OPTIONS"),
                                   asan + QStringLiteral(":strict_string_checks=0:detect_leaks=0"));
            }
        }
        if (session) {
            session(environment);
        }
        m_process.setProcessEnvironment(environment);
        m_process.start(QString::fromStdString(executable.string()), arguments);
    }
    ~Program() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess& process() { return m_process; }
    QString pid() const { return QString::number(m_process.processId()); }

    // The id of the program's visible window with that exact title, empty when none yet.
    QString visibleWindow(const QString& title) const {
        const QString found =
            xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                     QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid(),
                     QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
        return found.section(QLatin1Char('\n'), 0, 0);
    }

    // What a failure report needs: whether the program still runs, its windows whatever
    // their state, each thread's kernel wait, and what it printed.
    std::string describe() {
        std::string text;
        // Without an event loop in the test, only a wait notices that the program has ended.
        if (m_process.waitForFinished(500)) {
            text += "ended with status " + std::to_string(m_process.exitCode()) +
                    (m_process.exitStatus() == QProcess::CrashExit ? " (crashed)\n" : "\n");
        } else {
            const QString windows =
                xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--pid"),
                         pid(), QStringLiteral("--name"), QStringLiteral(".*")});
            text += "running; its windows: " + windows.simplified().toStdString() + "\n";
            text += threadWaits();
        }
        text += m_process.readAllStandardError().right(4000).toStdString();
        return text;
    }

    bool finish() {
        return m_process.waitForFinished(kStepLimitMs) &&
               m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

private:
    std::string threadWaits() const {
        std::string text;
        const std::filesystem::path tasks = "/proc/" + pid().toStdString() + "/task";
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            std::ifstream comm(task.path() / "comm");
            std::ifstream wchan(task.path() / "wchan");
            std::string name;
            std::string wait;
            std::getline(comm, name);
            std::getline(wchan, wait);
            text += "  " + name + ": " + wait + "\n";
        }
        return text;
    }

    QProcess m_process;
};

class ProgramEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_feed.setTitle(u"Ab3dE5gH1jK", u"Morning walk");
        // Argument 0 names the temporary folder, so the data files land there.
        std::filesystem::create_symlink(KESTROVA_EXECUTABLE, m_dir / "kestrova");
        WriteFileBytes(m_dir / "Kestrova.ini", "[NETWORK]\nFEEDURL=" + m_feed.feedUrl() +
                                                   "\nPLAYERURL=" + m_media.playerPrefix() + "\n");
    }

    void requireDesktop() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "no X server (scripts/test.sh runs the suite under Xvfb)";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
    }

    bool movieRequested() const {
        for (const std::string& target : m_media.requestTargets()) {
            if (target.rfind("/v/" + kId + "?", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    // Types the ID into the address box, which has the focus at start, and presses Play
    // Video from the keyboard; false when the windows did not appear.
    bool typeAndPlay(Program& program) {
        QString main;
        if (!waitUntil([&] { return !(main = program.visibleWindow("Kestrova")).isEmpty(); })) {
            ADD_FAILURE() << "the main window did not appear; " << program.describe();
            return false;
        }
        // The player window comes a moment later; wait for it so it cannot take the focus
        // from under the typing.
        if (!waitUntil([&] { return !program.visibleWindow("Player").isEmpty(); })) {
            ADD_FAILURE() << "the player window did not appear; " << program.describe();
            return false;
        }
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), main});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                 QString::fromStdString(kId)});
        xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50"),
                 QStringLiteral("Tab"), QStringLiteral("space")});
        return true;
    }

    // As above; true once the movie has been asked for.
    bool playThroughTheWindow(Program& program) {
        return typeAndPlay(program) && waitUntil([&] { return movieRequested(); });
    }

    std::filesystem::path executable() const { return m_dir / "kestrova"; }

    void expectPlayedFilesLeft() {
        const std::string settings = ReadFileBytes(m_dir / "Kestrova.ini");
        EXPECT_NE(settings.find("[SYSTEM]\nVIDEOID=" + kId + "\n"), std::string::npos) << settings;
        EXPECT_NE(settings.find("FEEDURL=" + m_feed.feedUrl()), std::string::npos) << settings;
        EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"),
                  "[SYSTEM]\nCOUNT=1\n[ITEM0]\nVIDEOID=" + kId + "\nTITLE=Morning walk\n");
    }

    FeedServer m_feed;
    MediaServer m_media;
    TempDir m_dir;
};

TEST_F(ProgramEndToEndTest, PlaysATypedIdAndSavesBothFilesOnEscape) {
    requireDesktop();
    Program program(executable(), {}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(playThroughTheWindow(program));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(program.finish());
    expectPlayedFilesLeft();
}

TEST_F(ProgramEndToEndTest, TerminationSignalSavesBothFiles) {
    requireDesktop();
    Program program(executable(), {}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(playThroughTheWindow(program));
    ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.finish());
    expectPlayedFilesLeft();
}

// The title request never gets an answer; the program must still end at once on SIGTERM,
// apply nothing of the request and save both files.
TEST_F(ProgramEndToEndTest, TerminationSignalDuringAHangingTitleRequestEndsWithinASecond) {
    requireDesktop();
    m_feed.setReply("/feeds/api/videos/" + kId, test::FeedReply::hang());
    Program program(executable(), {}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(typeAndPlay(program));
    ASSERT_TRUE(waitUntil([&] { return !m_feed.requests().empty(); })) << program.describe();
    // The request is open; the windows still answer the X server meanwhile.
    QThread::msleep(300);
    EXPECT_FALSE(program.visibleWindow("Kestrova").isEmpty());

    QElapsedTimer clock;
    clock.start();
    ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.process().waitForFinished(kExitLimitMs)) << program.describe();
    RecordProperty("sigterm_to_exit_ms", static_cast<int>(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), kExitLimitMs);
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[SYSTEM]\nVIDEOID=\n"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"), "[SYSTEM]\nCOUNT=0\n");
    EXPECT_FALSE(movieRequested());
}

TEST_F(ProgramEndToEndTest, DebugSwitchWritesTheStartUpLinesInOrder) {
    Program program(executable(), {QStringLiteral("-D274")}, true);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    QByteArray output;
    ASSERT_TRUE(waitUntil([&] {
        program.process().waitForReadyRead(50);
        output += program.process().readAllStandardOutput();
        return output.contains("CurrentDir=");
    })) << output.toStdString();
    // SIGTERM closes the window like its close box once the handler is in place, just before
    // the main window's run begins.
    ASSERT_TRUE(waitUntil([&] { return handlesSignal(program.process().processId(), SIGTERM); }));
    ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.finish());
    output += program.process().readAllStandardOutput();
    // The start-up lines, then the debug console's note of which yt-dlp the player uses.
    const std::string startLines = "DEBUGMODE ON\n"
                                   "********** Start DEBUG MODE  *******\n"
                                   "PORTABLE VERSION START\n"
                                   "CurrentDir=" +
                                   m_dir.path().string() + "\n";
    EXPECT_EQ(output.toStdString().substr(0, startLines.size()), startLines);
    EXPECT_TRUE(output.endsWith("\n") &&
                output.mid(qsizetype(startLines.size())).startsWith("yt-dlp="))
        << output.toStdString();
    EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[SYSTEM]\nVIDEOID=\n"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"), "[SYSTEM]\nCOUNT=0\n");
}

// A Wayland compositor nested in the X server, on a socket of its own; stopped at the end.
class NestedWeston {
public:
    NestedWeston() {
        // The runtime folder of a session belongs to its user alone.
        std::filesystem::permissions(m_runtimeDir.path(), std::filesystem::perms::owner_all);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("weston"),
                        {QStringLiteral("--backend=x11-backend.so"),
                         QStringLiteral("--socket=") + socketName(), QStringLiteral("--width=1024"),
                         QStringLiteral("--height=768"), QStringLiteral("--use-pixman"),
                         QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")});
    }
    ~NestedWeston() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    // Whether the compositor listens on its socket within a few seconds.
    bool waitUntilListening() {
        const std::filesystem::path socket = m_runtimeDir / socketName().toStdString();
        return waitUntil(
                   [&] {
                       return std::filesystem::exists(socket) ||
                              m_process.state() == QProcess::NotRunning;
                   },
                   10000) &&
               std::filesystem::exists(socket);
    }
    std::string log() { return m_process.readAll().right(3000).toStdString(); }

    QString runtimeDir() const { return QString::fromStdString(m_runtimeDir.path().string()); }
    static QString socketName() { return QStringLiteral("kestrova-test"); }

private:
    TempDir m_runtimeDir;
    QProcess m_process;
};

class WaylandSessionTest : public ProgramEndToEndTest {
protected:
    void SetUp() override {
        ProgramEndToEndTest::SetUp();
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "no X server to nest the compositor in";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty()) {
            GTEST_SKIP() << "weston is not installed";
        }
        const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
        if (!QFileInfo::exists(plugins + QStringLiteral("/platforms/libqwayland-generic.so"))) {
            GTEST_SKIP() << "qt6-wayland is not installed";
        }
        m_weston = std::make_unique<NestedWeston>();
        ASSERT_TRUE(m_weston->waitUntilListening()) << "weston did not start: " << m_weston->log();
    }

    // A Wayland session as a login manager sets it up; with the X server's address as well
    // when XWayland is at hand.
    std::function<void(QProcessEnvironment&)> session(bool withXWayland) const {
        return [runtimeDir = m_weston->runtimeDir(), withXWayland](QProcessEnvironment& env) {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            if (!withXWayland) {
                env.remove(QStringLiteral("DISPLAY"));
            }
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), NestedWeston::socketName());
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
            env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        };
    }

    // Waits for the debug console's lines, then for the signal handler (the main window's
    // run is about to begin), and ends the program with SIGTERM; its output.
    std::string runUntilTerminated(Program& program) {
        QByteArray output;
        EXPECT_TRUE(waitUntil([&] {
            program.process().waitForReadyRead(50);
            output += program.process().readAllStandardOutput();
            return output.contains("yt-dlp=");
        })) << program.describe();
        EXPECT_TRUE(
            waitUntil([&] { return handlesSignal(program.process().processId(), SIGTERM); }));
        QThread::msleep(500); // the player window is shown a moment after the main window
        ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
        EXPECT_TRUE(program.finish()) << program.describe();
        return (output + program.process().readAllStandardOutput()).toStdString();
    }

    void expectUnplayedFilesLeft() {
        EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[SYSTEM]\nVIDEOID=\n"),
                  std::string::npos);
        EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"), "[SYSTEM]\nCOUNT=0\n");
    }

    std::unique_ptr<NestedWeston> m_weston;
};

TEST_F(WaylandSessionTest, RunsOnWaylandItselfWithoutXWaylandAndSavesOnTermination) {
    Program program(executable(), {QStringLiteral("-D274")}, false, session(false));
    ASSERT_TRUE(program.process().waitForStarted(10000));
    const std::string output = runUntilTerminated(program);
    EXPECT_NE(output.find("platform=wayland: Top Most has no effect"), std::string::npos) << output;
    expectUnplayedFilesLeft();
}

TEST_F(WaylandSessionTest, RunsOnX11ThroughXWaylandWhereTopMostWorks) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    Program program(executable(), {QStringLiteral("-D274")}, false, session(true));
    ASSERT_TRUE(program.process().waitForStarted(10000));
    EXPECT_TRUE(waitUntil([&] { return !program.visibleWindow("Kestrova").isEmpty(); }))
        << "the main window is not on the X server; " << program.describe();
    const std::string output = runUntilTerminated(program);
    EXPECT_EQ(output.find("platform=wayland"), std::string::npos) << output;
    expectUnplayedFilesLeft();
}

} // namespace
} // namespace kestrova
