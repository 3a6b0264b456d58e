#include "tests/e2e/ProgramFixture.h"

#include <fstream>

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <gmock/gmock.h>

namespace kestrova::test {

bool waitUntil(const std::function<bool()>& condition, int limitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

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

Program::Program(const std::filesystem::path& executable, const QStringList& arguments,
                 bool headless, const std::function<void(QProcessEnvironment&)>& session) {
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

Program::~Program() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString Program::visibleWindow(const QString& title) const {
    const QString found =
        xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--pid"), pid(), QStringLiteral("--name"),
                 QLatin1Char('^') + title + QLatin1Char('$')});
    return found.section(QLatin1Char('\n'), 0, 0);
}

std::string Program::describe() {
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

bool Program::finish() {
    return m_process.waitForFinished(kStepLimitMs) &&
           m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

std::string Program::threadWaits() const {
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

void ProgramTest::SetUp() {
    m_feed.setTitle(u"Ab3dE5gH1jK", u"Morning walk");
    // Argument 0 names the temporary folder, so the data files land there.
    std::filesystem::create_symlink(KESTROVA_EXECUTABLE, m_dir / "kestrova");
    WriteFileBytes(m_dir / "Kestrova.ini", "[NETWORK]\nFEEDURL=" + m_feed.feedUrl() +
                                               "\nPLAYERURL=" + m_media.playerPrefix() + "\n");
}

void ProgramOnDisplayTest::SetUp() {
    ProgramTest::SetUp();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "no X server (scripts/test.sh runs the suite under Xvfb)";
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
}

bool ProgramTest::movieRequested() const {
    for (const std::string& target : m_media.requestTargets()) {
        if (target.rfind("/v/" + kId + "?", 0) == 0) {
            return true;
        }
    }
    return false;
}

bool ProgramTest::typeAndPlay(Program& program) {
    QString main;
    if (!waitUntil([&] { return !(main = program.visibleWindow("Kestrova")).isEmpty(); })) {
        ADD_FAILURE() << "the main window did not appear; " << program.describe();
        return false;
    }
    // The player window comes a moment later; the ID is played once both are up.
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

bool ProgramTest::playThroughTheWindow(Program& program) {
    return typeAndPlay(program) && waitUntil([&] { return movieRequested(); });
}

void ProgramTest::expectPlayedFilesLeft() {
    const std::string settings = ReadFileBytes(m_dir / "Kestrova.ini");
    EXPECT_NE(settings.find("[SYSTEM]\nVIDEOID=" + kId + "\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("FEEDURL=" + m_feed.feedUrl()), std::string::npos) << settings;
    // The two-second clip was left at its start or a second in.
    EXPECT_THAT(ReadFileBytes(m_dir / "History.ini"),
                ::testing::MatchesRegex("\\[SYSTEM]\nCOUNT=1\n\\[ITEM0]\nVIDEOID=" + kId +
                                        "\nTITLE=Morning walk\n(POSITION=1\n)?"));
}

} // namespace kestrova::test
