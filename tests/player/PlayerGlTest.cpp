// The OpenGL path on a real X server (Xvfb with Mesa's software GL): the movie's frames must
// reach the screen, not only the engine.

#include "player/CPlayerDlg.h"
#include "tests/support/ColourfulShare.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"

#include <cstdlib>

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

constexpr int kTimeoutMs = 20000;

class PlayerGlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        ASSERT_FALSE(test::TestClipBytes().empty());
        ASSERT_FALSE(m_dialog.flash().usesSoftwareRendering());
    }

    bool waitForFirstFrame() {
        QSignalSpy frames(&m_dialog.flash(), &CShockwaveflash1::firstFrameRendered);
        return frames.wait(kTimeoutMs) || frames.count() > 0;
    }

    test::MediaServer m_server;
    CPlayerDlg m_dialog{m_server.playerPrefix()};
};

TEST_F(PlayerGlTest, FramesReachTheScreen) {
    m_dialog.PlayVideo(u"clip"); // before the GL context exists: kept until it does
    m_dialog.show();
    ASSERT_TRUE(waitForFirstFrame());
    // Xvfb's OpenGL is Mesa's llvmpipe, which draws with the cheap scaler.
    EXPECT_EQ(m_dialog.flash().engineOption("dscale"), QLatin1String("bilinear"));
    QTest::qWait(500);

    // The player window as the X server holds it, the movie's own native window included.
    const QImage frame = m_dialog.screen()->grabWindow(m_dialog.winId()).toImage();
    ASSERT_FALSE(frame.isNull());
    EXPECT_GT(test::ColourfulShare(frame, frame.rect()), 0.2);

    // What the X server shows, taken the way a user's screenshot would be.
    test::TempDir folder;
    const auto shot = qEnvironmentVariable("KESTROVA_PLAYER_SCREENSHOT",
                                           QString::fromStdString((folder / "shot.png").string()));
    const std::string command = "import -window root '" + shot.toStdString() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const QImage screen(shot);
    ASSERT_FALSE(screen.isNull());
    const QRect client(m_dialog.mapToGlobal(QPoint(0, 0)), m_dialog.size());
    EXPECT_GT(test::ColourfulShare(screen, client.intersected(screen.rect())), 0.2);
}

TEST_F(PlayerGlTest, AsksForSafeHardwareDecodingAndPlaysWithoutAHardwareDecoder) {
    m_dialog.show();
    ASSERT_TRUE(m_dialog.flash().startEngine());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_dialog.flash().engineOption("hwdec") == QLatin1String("auto-safe"); },
        kTimeoutMs));
    // Xvfb's software OpenGL offers no hardware decoder: the engine decodes in software.
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_dialog.flash().timePosition() >= 0.5; }, kTimeoutMs));
    EXPECT_TRUE(m_dialog.failureText().isEmpty());
}

TEST_F(PlayerGlTest, KeepsPlayingWhileMinimisedAndAfterTopMost) {
    m_dialog.show();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame());
    m_dialog.setTopMost(true);
    m_dialog.showMinimized();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_dialog.flash().timePosition() >= 1.5; }, kTimeoutMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const double position = m_dialog.flash().timePosition();
            return position >= 0 && position < 1.0;
        },
        kTimeoutMs));
}

} // namespace
} // namespace kestrova
