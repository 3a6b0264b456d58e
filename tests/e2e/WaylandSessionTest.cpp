// The program in a Wayland session: weston nested in the X server, with and without XWayland.
#include "tests/e2e/ProgramFixture.h"

#include <memory>

#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QThread>

namespace kestrova {
namespace {

using namespace test;

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

class WaylandSessionTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
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
