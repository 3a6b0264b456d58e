// One Kestrova per data folder: a later start hands its address to the running one and ends;
// no session bus is needed for it. Programs in other folders run beside it.
#include "tests/desktop/TestBus.h"
#include "tests/e2e/ProgramFixture.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QElapsedTimer>

namespace kestrova {
namespace {

using namespace test;

const std::string kLater = "Zy9xW8vU7tS";
const QString kLaterAddress = QStringLiteral("https://www.youtube.com/watch?v=Zy9xW8vU7tS&t=1");

void withoutBus(QProcessEnvironment& environment) {
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/kestrova-test-bus"));
}

// What a start of the sanitizer build takes several times longer for.
qint64 startLimitMs(qint64 limit) {
    return qEnvironmentVariableIsEmpty("ASAN_OPTIONS") ? limit : 4 * limit;
}

class SingleInstanceTest : public ProgramOnDisplayTest {
protected:
    void SetUp() override {
        ProgramOnDisplayTest::SetUp();
        m_feed.setTitle(u"Zy9xW8vU7tS", u"Evening walk");
    }
    bool requested(const std::string& id) const {
        for (const std::string& target : m_media.requestTargets()) {
            if (target.rfind("/v/" + id + "?", 0) == 0)
                return true;
        }
        return false;
    }
    bool running(Program& program) {
        return waitUntil([&] { return handlesSignal(program.process().processId(), SIGTERM); });
    }
};

TEST_F(SingleInstanceTest, LaterStartHandsItsAddressOverAndEnds) {
    Program first(executable(), {}, false, withoutBus);
    ASSERT_TRUE(playThroughTheWindow(first));

    QElapsedTimer clock;
    clock.start();
    Program later(executable(), {kLaterAddress}, false, withoutBus);
    ASSERT_TRUE(later.process().waitForFinished(kStepLimitMs)) << later.describe();
    RecordProperty("later_start_ms", int(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), startLimitMs(1000));
    EXPECT_EQ(later.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.process().exitCode(), 0);

    ASSERT_TRUE(waitUntil([&] { return requested(kLater); })) << first.describe();
    const QString mainWindows = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--name"), QStringLiteral("^Kestrova$")});
    EXPECT_EQ(mainWindows.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 1)
        << mainWindows.toStdString();
    ::kill(pid_t(first.process().processId()), SIGTERM);
    ASSERT_TRUE(first.finish()) << first.describe();
    EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"),
              "[SYSTEM]\nCOUNT=2\n[ITEM0]\nVIDEOID=" + kLater +
                  "\nTITLE=Evening walk\n[ITEM1]\n"
                  "VIDEOID=" +
                  kId + "\nTITLE=Morning walk\n");
}

// The kernel let go of the lock with the killed program: the next start runs, and plays.
TEST_F(SingleInstanceTest, StartAfterAKilledOnePlaysItsAddress) {
    {
        Program killed(executable(), {}, true, withoutBus);
        ASSERT_TRUE(running(killed)) << killed.describe();
        ::kill(pid_t(killed.process().processId()), SIGKILL);
        ASSERT_TRUE(killed.process().waitForFinished(kStepLimitMs));
    }
    Program next(executable(), {QString::fromStdString(kLater)}, true, withoutBus);
    ASSERT_TRUE(waitUntil([&] { return requested(kLater); })) << next.describe();
    ::kill(pid_t(next.process().processId()), SIGTERM);
    ASSERT_TRUE(next.finish()) << next.describe();
    EXPECT_NE(ReadFileBytes(m_dir / "History.ini").find("VIDEOID=" + kLater), std::string::npos);
}

// A Kestrova that holds the folder and never answers: the later start says why in debug mode
// and ends with status 1, having touched nothing.
TEST_F(SingleInstanceTest, WithoutAnAnswerTheLaterStartEndsWithStatusOne) {
    const std::string settings = ReadFileBytes(m_dir / "Kestrova.ini");
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const int lock = ::open((m_dir / "Kestrova.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    QElapsedTimer clock;
    clock.start();
    Program later(executable(), {QStringLiteral("-D274"), kLaterAddress}, true, withoutBus);
    ASSERT_TRUE(later.process().waitForFinished(kStepLimitMs)) << later.describe();
    RecordProperty("no_answer_ms", int(clock.elapsed()));
    const std::vector<std::string> namesAfter = names();
    ::close(lock);
    EXPECT_LT(clock.elapsed(), startLimitMs(3000));
    EXPECT_EQ(later.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.process().exitCode(), 1);
    EXPECT_TRUE(later.process().readAllStandardError().contains("did not answer"));
    EXPECT_EQ(ReadFileBytes(m_dir / "Kestrova.ini"), settings);
    EXPECT_EQ(namesAfter, (std::vector<std::string>{"Kestrova.ini", "Kestrova.lock", "kestrova"}));
    EXPECT_FALSE(requested(kLater));
}

// Two copies of the program in two folders: each runs, each with a name of its own on the bus.
TEST_F(SingleInstanceTest, ProgramsInTwoFoldersRunSideBySide) {
    TestBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    const auto onBus = [&](QProcessEnvironment& environment) {
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    };
    TempDir other;
    std::filesystem::create_symlink(KESTROVA_EXECUTABLE, other / "kestrova");
    std::filesystem::copy_file(m_dir / "Kestrova.ini", other / "Kestrova.ini");
    Program first(executable(), {}, true, onBus);
    ASSERT_TRUE(running(first)) << first.describe();
    Program second(other / "kestrova", {QString::fromStdString(kLater)}, true, onBus);
    ASSERT_TRUE(waitUntil([&] { return requested(kLater); })) << second.describe();
    QDBusConnection client = bus.connect(QStringLiteral("test"));
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.kestrova");
    EXPECT_TRUE(waitUntil([&] {
        return client.interface()->isServiceRegistered(name).value() &&
               client.interface()->registeredServiceNames().value().filter(name).size() == 2;
    })) << client.interface()->registeredServiceNames().value().join(u' ').toStdString();
    for (Program* program : {&first, &second}) {
        ::kill(pid_t(program->process().processId()), SIGTERM);
        EXPECT_TRUE(program->finish()) << program->describe();
    }
    EXPECT_NE(ReadFileBytes(other / "History.ini").find("VIDEOID=" + kLater), std::string::npos);
    EXPECT_EQ(ReadFileBytes(m_dir / "History.ini"), "[SYSTEM]\nCOUNT=0\n");
}

} // namespace
} // namespace kestrova
