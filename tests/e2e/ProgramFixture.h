#pragma once

// The kestrova executable under test, started from a temporary program folder with loopback
// feed and media servers, driven on the X server with xdotool; what the tests of the whole
// program share.
#include "tests/support/FeedServer.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace kestrova::test {

inline const std::string kId = "Ab3dE5gH1jK";
inline constexpr int kStepLimitMs = 20000;
// From SIGTERM to the end of the process.
inline constexpr int kExitLimitMs = 1000;

bool waitUntil(const std::function<bool()>& condition, int limitMs = kStepLimitMs);

// Whether the process has a handler for the signal, from /proc.
bool handlesSignal(qint64 pid, int signal);

// Runs xdotool with the arguments; its standard output, empty when it failed.
QString xdotool(const QStringList& arguments);

// The program under test, killed at the end whatever happened.
class Program {
public:
    // `session` adjusts the environment last, for a desktop session of another kind.
    Program(const std::filesystem::path& executable, const QStringList& arguments, bool headless,
            const std::function<void(QProcessEnvironment&)>& session = {});
    ~Program();

    QProcess& process() { return m_process; }
    QString pid() const { return QString::number(m_process.processId()); }

    // The id of the program's visible window with that exact title, empty when none yet.
    QString visibleWindow(const QString& title) const;

    // What a failure report needs: whether the program still runs, its windows whatever
    // their state, each thread's kernel wait, and what it printed.
    std::string describe();

    // Whether it ends within the step limit with exit status 0.
    bool finish();

private:
    std::string threadWaits() const;

    QProcess m_process;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    bool movieRequested() const;
    // Types the ID into the address box, which has the focus at start, and presses Play
    // Video from the keyboard; false when the windows did not appear.
    bool typeAndPlay(Program& program);
    // As above; true once the movie has been asked for.
    bool playThroughTheWindow(Program& program);
    std::filesystem::path executable() const { return m_dir / "kestrova"; }
    void expectPlayedFilesLeft();

    FeedServer m_feed;
    MediaServer m_media;
    TempDir m_dir;
};

// The program on the X server, driven with xdotool: skipped without either.
class ProgramOnDisplayTest : public ProgramTest {
protected:
    void SetUp() override;
};

} // namespace kestrova::test
