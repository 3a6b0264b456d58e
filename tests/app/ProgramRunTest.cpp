// Runs the kestrova executable and ends it the way a session ends it.
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Whether the process handles (or, with ignored, ignores) the signal, from /proc.
bool signalMaskHas(qint64 pid, const std::string& field, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(field.size() + 1), nullptr, 16);
            return (mask >> (signal - 1)) & 1u;
        }
    }
    return false;
}

bool waitForMask(qint64 pid, const std::string& field, int signal) {
    const QDeadlineTimer deadline(20000);
    while (!signalMaskHas(pid, field, signal)) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

// The program from a folder of its own, so runs of other tests at the same time, with other
// data folders, are not later starts of it.
class OwnFolder {
public:
    OwnFolder() { std::filesystem::create_symlink(KESTROVA_EXECUTABLE, m_dir / "kestrova"); }
    QString executable() const { return QString::fromStdString((m_dir / "kestrova").string()); }

private:
    kestrova::test::TempDir m_dir;
};

struct RunCase {
    const char* name;
    QStringList arguments;
    int signal;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramRunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(ProgramRunTest, SignalEndsTheProgramNormally) {
    const OwnFolder folder;
    QProcess program;
    program.start(folder.executable(), GetParam().arguments);
    ASSERT_TRUE(program.waitForStarted(10000));
    // The handlers are in place once the main window's run is about to begin.
    ASSERT_TRUE(waitForMask(program.processId(), "SigCgt", SIGTERM));
    ::kill(static_cast<pid_t>(program.processId()), GetParam().signal);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, ProgramRunTest,
                         ::testing::Values(RunCase{"Term", {}, SIGTERM},
                                           RunCase{"HangUp", {}, SIGHUP},
                                           RunCase{"Interrupt", {}, SIGINT}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramRunDebugTest, InterruptIsIgnoredInDebugMode) {
    const OwnFolder folder;
    QProcess program;
    program.start(folder.executable(), {QStringLiteral("-D274")});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(waitForMask(program.processId(), "SigCgt", SIGTERM));
    EXPECT_TRUE(signalMaskHas(program.processId(), "SigIgn", SIGINT));
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    EXPECT_FALSE(program.waitForFinished(300));
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

} // namespace
