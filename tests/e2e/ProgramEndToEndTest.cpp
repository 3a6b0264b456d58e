// Starts the kestrova executable from a temporary program folder, drives its window on the X
// server with xdotool, and checks the files it leaves behind.
#include "tests/e2e/ProgramFixture.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QThread>

namespace kestrova {
namespace {

using namespace test;

class ProgramEndToEndTest : public ProgramTest {};

TEST_F(ProgramOnDisplayTest, PlaysATypedIdAndSavesBothFilesOnEscape) {
    Program program(executable(), {}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(playThroughTheWindow(program));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(program.finish());
    expectPlayedFilesLeft();
}

TEST_F(ProgramOnDisplayTest, TerminationSignalSavesBothFiles) {
    Program program(executable(), {}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(playThroughTheWindow(program));
    ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.finish());
    expectPlayedFilesLeft();
}

// The title request never gets an answer; the program must still end at once on SIGTERM,
// apply nothing of the request and save both files.
TEST_F(ProgramOnDisplayTest, TerminationSignalDuringAHangingTitleRequestEndsWithinASecond) {
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

// Signals that keep coming while the last saves are written end nothing before they land. The
// history says COUNT=10001, so the save at the end is a large one, with COUNT=10000.
TEST_F(ProgramEndToEndTest, SignalsWhileTheLastSavesAreWrittenLoseNothing) {
    std::string history = "[SYSTEM]\nCOUNT=10001\n";
    for (int k = 0; k < 10001; ++k) {
        history += "[ITEM" + std::to_string(k) + "]\nVIDEOID=" + kId +
                   "\nTITLE=" + std::string(200, 't') + "\n";
    }
    WriteFileBytes(m_dir / "History.ini", history);
    Program program(executable(), {}, true);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return handlesSignal(program.process().processId(), SIGTERM); }))
        << program.describe();
    do {
        ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    } while (!program.process().waitForFinished(1));
    EXPECT_EQ(ReadFileBytes(m_dir / "History.ini").substr(0, 21), "[SYSTEM]\nCOUNT=10000\n");
}

// The program copied into its folder with its core but without its engine: none beside it,
// none in ../lib/kestrova.
TEST_F(ProgramOnDisplayTest, WithoutItsEngineThePlayerSaysWhy) {
    const std::filesystem::path built = KESTROVA_EXECUTABLE;
    std::filesystem::remove(executable());
    std::filesystem::copy_file(built, executable());
    std::filesystem::copy_file(built.parent_path() / "libkestrova-core.so",
                               m_dir / "libkestrova-core.so");
    Program program(executable(), {QStringLiteral("-D274")}, false);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(typeAndPlay(program));
    QByteArray errors;
    EXPECT_TRUE(waitUntil([&] {
        program.process().waitForReadyRead(50);
        errors += program.process().readAllStandardError();
        return errors.contains("failure line: 再生できません: 再生エンジンを読み込めません");
    })) << errors.toStdString();
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

struct OddFileCase {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    std::function<bool(const std::filesystem::path&)> untouched;
};

void PrintTo(const OddFileCase& c, std::ostream* os) {
    *os << c.name;
}

class OddHistoryFileTest : public ProgramTest, public ::testing::WithParamInterface<OddFileCase> {};

// What stands where History.ini should be is neither read (it could block or never end) nor
// replaced; the program starts at once with an empty history.
TEST_P(OddHistoryFileTest, StartsAtOnceAndLeavesItAlone) {
    const std::filesystem::path history = m_dir / "History.ini";
    GetParam().make(history);
    QElapsedTimer clock;
    clock.start();
    Program program(executable(), {}, true);
    ASSERT_TRUE(program.process().waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return handlesSignal(program.process().processId(), SIGTERM); }))
        << program.describe();
    // The sanitizer build starts several times slower whatever the file is.
    const qint64 limit = qEnvironmentVariableIsEmpty("ASAN_OPTIONS") ? 1000 : 4000;
    EXPECT_LT(clock.elapsed(), limit);
    ::kill(static_cast<pid_t>(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.finish()) << program.describe();
    EXPECT_TRUE(GetParam().untouched(history));
    EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[SYSTEM]\nVIDEOID=\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OddHistoryFileTest,
    ::testing::Values(
        OddFileCase{"Directory", [](const auto& p) { std::filesystem::create_directory(p); },
                    [](const auto& p) {
                        return std::filesystem::is_directory(p) && std::filesystem::is_empty(p);
                    }},
        OddFileCase{"Fifo", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
                    [](const auto& p) { return std::filesystem::is_fifo(p); }},
        OddFileCase{"LinkToAnEndlessDevice",
                    [](const auto& p) { std::filesystem::create_symlink("/dev/zero", p); },
                    [](const auto& p) {
                        return std::filesystem::is_symlink(p) &&
                               std::filesystem::read_symlink(p) == "/dev/zero";
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
