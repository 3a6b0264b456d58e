// Nothing played is lost when the program ends without closing: killed, or its display gone.
#include "tests/e2e/DesktopSession.h"
#include "tests/e2e/ProgramFixture.h"

#include <memory>

#include <QThread>

namespace kestrova {
namespace {

using namespace test;

const std::string kIds[] = {"Ab3dE5gH1jK", "Zy9xW8vU7tS", "Qq1Rr2Ss3Tt"};

struct EndCase {
    const char* name;
    bool killDisplay; // otherwise SIGKILL
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class CrashTest : public ProgramTest, public ::testing::WithParamInterface<EndCase> {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (!DesktopSession::available())
            GTEST_SKIP() << "needs Xvfb, openbox, xdotool and xprop";
        m_session = std::make_unique<DesktopSession>();
        ASSERT_TRUE(m_session->ready()) << m_session->log();
        for (const std::string& id : kIds)
            m_feed.setTitle(std::u16string(id.begin(), id.end()),
                            u"Title " + std::u16string(id.begin(), id.begin() + 2));
    }

    bool requested(const std::string& id) const {
        for (const std::string& target : m_media.requestTargets()) {
            if (target.rfind("/v/" + id + "?", 0) == 0)
                return true;
        }
        return false;
    }

    // The address box has the focus at start; after a play the focus is on Play Video, one
    // step after the box. Either way the box's text is replaced by the ID.
    void play(const QString& main, const std::string& id, bool first) {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), main});
        if (!first)
            xdotool({QStringLiteral("key"), QStringLiteral("shift+Tab")});
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                 QString::fromStdString(id)});
        xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50"),
                 QStringLiteral("Tab"), QStringLiteral("space")});
    }

    std::unique_ptr<DesktopSession> m_session;
};

TEST_P(CrashTest, EveryPlayIsInTheFilesWhateverEndsTheProgram) {
    Program program(executable(), {}, false);
    QString main;
    ASSERT_TRUE(waitUntil([&] {
        return !(main = program.visibleWindow("Kestrova")).isEmpty() &&
               !program.visibleWindow("Player").isEmpty();
    })) << program.describe();
    for (std::size_t i = 0; i < std::size(kIds); ++i) {
        play(main, kIds[i], i == 0);
        ASSERT_TRUE(waitUntil([&] { return requested(kIds[i]); })) << kIds[i];
    }
    QThread::msleep(200);

    if (GetParam().killDisplay)
        m_session->killServer();
    else
        ::kill(static_cast<pid_t>(program.process().processId()), SIGKILL);
    ASSERT_TRUE(program.process().waitForFinished(10000));

    const std::string history = ReadFileBytes(m_dir / "History.ini");
    EXPECT_EQ(history, "[SYSTEM]\nCOUNT=3\n"
                       "[ITEM0]\nVIDEOID=Qq1Rr2Ss3Tt\nTITLE=Title Qq\n"
                       "[ITEM1]\nVIDEOID=Zy9xW8vU7tS\nTITLE=Title Zy\n"
                       "[ITEM2]\nVIDEOID=Ab3dE5gH1jK\nTITLE=Title Ab\n");
    EXPECT_NE(ReadFileBytes(m_dir / "Kestrova.ini").find("[SYSTEM]\nVIDEOID=Qq1Rr2Ss3Tt\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, CrashTest,
                         ::testing::Values(EndCase{"Killed", false}, EndCase{"DisplayGone", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
