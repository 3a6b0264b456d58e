#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "tests/support/ColourfulShare.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::MediaServer;

constexpr int kTimeoutMs = 15000;

class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(test::TestClipBytes().empty()) << "ffmpeg could not make the test clip";
        ASSERT_TRUE(m_dialog.flash().startEngine());
        ASSERT_TRUE(m_dialog.flash().usesSoftwareRendering());
    }

    CShockwaveflash1& flash() { return m_dialog.flash(); }

    bool waitForFirstFrame() {
        QSignalSpy frames(&flash(), &CShockwaveflash1::firstFrameRendered);
        return frames.wait(kTimeoutMs) || frames.count() > 0;
    }

    bool waitForPosition(double seconds) {
        return QTest::qWaitFor([&] { return flash().timePosition() >= seconds; }, kTimeoutMs);
    }

    // The clip lasts two seconds: looping shows as the position going back after passing
    // most of it.
    bool waitForLoop() {
        if (!waitForPosition(1.5))
            return false;
        return QTest::qWaitFor(
            [&] {
                const double position = flash().timePosition();
                return position >= 0 && position < 1.0;
            },
            kTimeoutMs);
    }

    MediaServer m_server;
    CPlayerDlg m_dialog{m_server.playerPrefix()};
};

TEST_F(PlayerWindowTest, StartsHiddenAsTopLevelPlayerWindowCentred) {
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.parentWidget(), nullptr);
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Player"));
    EXPECT_TRUE(m_dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((m_dialog.geometry().center() - work.center()).manhattanLength(), 2);
    EXPECT_GT(m_dialog.width(), 199);
    EXPECT_GT(m_dialog.height(), 114);
}

TEST_F(PlayerWindowTest, PlaysAndLoopsClipFromLoopback) {
    m_dialog.show();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame());
    EXPECT_GT(test::ColourfulShare(flash().lastFrame()), 0.2);
    EXPECT_EQ(flash().lastFrame().size(), flash().size() * flash().devicePixelRatioF());
    EXPECT_TRUE(waitForLoop());
    EXPECT_TRUE(m_dialog.failureText().isEmpty());
}

// Frames are drawn when due rather than when the engine hands them over (up to 50 ms early).
TEST_F(PlayerWindowTest, PictureAndSoundStayInSync) {
    m_dialog.show();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForPosition(0.3));
    std::vector<double> drift;
    for (int look = 0; look < 60 && drift.size() < 15; ++look) {
        QTest::qWait(100);
        if (const auto sync = flash().avSync())
            drift.push_back(std::abs(*sync));
    }
    ASSERT_EQ(drift.size(), 15u) << "no A/V sync to read";
    std::sort(drift.begin(), drift.end());
    EXPECT_LE(drift[drift.size() / 2], 0.020) << "worst " << drift.back();
}

// The player's diagnostics as the debugging console gets them.
QStringList g_playerLines;
void collectPlayerLines(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (qstrcmp(context.category, "kestrova.player") == 0)
        g_playerLines << text;
}

// The warm-up movie is loaded like any other, so a load command the engine refuses shows here.
TEST_F(PlayerWindowTest, WarmUpReportsNothingAndTheFirstMovieThenPlays) {
    g_playerLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectPlayerLines);
    CPlayerDlg fresh(m_server.playerPrefix());
    fresh.show();
    QSignalSpy frames(&fresh.flash(), &CShockwaveflash1::firstFrameRendered);
    QSignalSpy failures(&fresh.flash(), &CShockwaveflash1::playbackFailed);
    fresh.flash().warmUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh.flash().hasPlayer(); }, kTimeoutMs));
    QTest::qWait(800); // the warm-up has played and ended
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_playerLines.isEmpty()) << g_playerLines.join(u'|').toStdString();
    EXPECT_EQ(frames.count(), 0);
    EXPECT_EQ(failures.count(), 0);
    EXPECT_TRUE(fresh.failureText().isEmpty());
    fresh.PlayVideo(u"clip");
    EXPECT_TRUE(frames.wait(kTimeoutMs) || frames.count() > 0);
    EXPECT_GT(test::ColourfulShare(fresh.flash().lastFrame()), 0.2);
}

TEST_F(PlayerWindowTest, KeepsPlayingWhileMinimised) {
    m_dialog.show();
    m_dialog.showMinimized();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame());
    EXPECT_TRUE(waitForLoop());
    EXPECT_TRUE(m_dialog.isMinimized());
    EXPECT_GT(test::ColourfulShare(flash().lastFrame()), 0.2);
}

TEST_F(PlayerWindowTest, VideoAskedForWhileHiddenPlaysOnceShown) {
    m_dialog.PlayVideo(u"clip");
    EXPECT_FALSE(m_dialog.isVisible());
    m_dialog.show();
    ASSERT_TRUE(waitForPosition(0.5));
    EXPECT_GT(test::ColourfulShare(flash().lastFrame()), 0.2);
}

TEST_F(PlayerWindowTest, SecondVideoReplacesFirst) {
    m_dialog.show();
    m_dialog.PlayVideo(u"first");
    ASSERT_TRUE(waitForPosition(0.2));
    m_dialog.PlayVideo(u"second");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return flash().moviePath().contains(QStringLiteral("/v/second?")); }, kTimeoutMs));
    EXPECT_TRUE(waitForFirstFrame());
    EXPECT_GT(test::ColourfulShare(flash().lastFrame()), 0.2);
}

TEST_F(PlayerWindowTest, IdIsEncodedSoItCannotChangeTheQuery) {
    m_dialog.PlayVideo(u"a&loop=0?x");
    ASSERT_TRUE(waitForPosition(0.1));
    const auto targets = m_server.requestTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.front(), "/v/a%26loop%3D0%3Fx?version=3&rel=0&autoplay=1&loop=1");
}

TEST_F(PlayerWindowTest, DotDotIdStaysInItsSegment) {
    m_dialog.show();
    m_dialog.PlayVideo(u"..");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_server.requestTargets().empty(); }, kTimeoutMs));
    EXPECT_EQ(m_server.requestTargets().front(), "/v/%2E%2E?version=3&rel=0&autoplay=1&loop=1");
}

TEST_F(PlayerWindowTest, EscapeEnterAndCloseLeaveItOpenAndPlaying) {
    m_dialog.show();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForPosition(0.3));
    QTest::keyClick(&m_dialog, Qt::Key_Escape);
    QTest::keyClick(&m_dialog, Qt::Key_Return);
    QTest::keyClick(&m_dialog, Qt::Key_Enter);
    EXPECT_FALSE(m_dialog.close());
    m_dialog.reject();
    m_dialog.accept();
    QApplication::processEvents();
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), 0);
    EXPECT_TRUE(waitForLoop());
}

// The movie takes the client area but for the control bar's strip along the bottom.
TEST_F(PlayerWindowTest, MovieCoversClientAreaAboveTheBarAfterEveryResize) {
    m_dialog.show();
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame());
    const auto movieArea = [&] {
        return m_dialog.rect().adjusted(0, 0, 0, -m_dialog.controlBar().height());
    };
    for (const QSize size : {QSize(640, 360), QSize(200, 500), QSize(333, 111)}) {
        m_dialog.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(flash().geometry(), movieArea()) << size.width() << "x" << size.height();
        EXPECT_EQ(m_dialog.controlBar().geometry().bottomRight(), m_dialog.rect().bottomRight());
        EXPECT_EQ(flash().lastFrame().size(), movieArea().size() * flash().devicePixelRatioF());
    }
    m_dialog.showMaximized();
    QTRY_COMPARE_WITH_TIMEOUT(flash().geometry(), movieArea(), kTimeoutMs);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return flash().lastFrame().size() == flash().size(); }, kTimeoutMs));
}

TEST_F(PlayerWindowTest, RefusedAddressShowsWhyUntilNextVideo) {
    m_dialog.show();
    m_dialog.setPlayerPrefix(m_server.baseUrl() + "/missing/");
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialog.failureText().isEmpty(); }, kTimeoutMs));
    EXPECT_TRUE(m_dialog.failureText().contains(QStringLiteral("HTTP 404")))
        << m_dialog.failureText().toStdString();

    m_dialog.setPlayerPrefix(m_server.playerPrefix());
    m_dialog.PlayVideo(u"clip");
    EXPECT_TRUE(m_dialog.failureText().isEmpty());
    EXPECT_TRUE(waitForFirstFrame());
}

// The engine answers each load later than it is asked for; only the latest load's movie counts.
TEST_F(PlayerWindowTest, OfLoadsInQuickSuccessionOnlyTheLatestIsTold) {
    m_dialog.show();
    const std::string missing = m_server.baseUrl() + "/missing/";
    QSignalSpy frames(&flash(), &CShockwaveflash1::firstFrameRendered);
    QSignalSpy failures(&flash(), &CShockwaveflash1::playbackFailed);
    m_dialog.setPlayerPrefix(missing);
    m_dialog.PlayVideo(u"clip");
    m_dialog.setPlayerPrefix(m_server.playerPrefix());
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() > 0; }, kTimeoutMs));
    EXPECT_EQ(failures.count(), 0);

    frames.clear();
    m_dialog.PlayVideo(u"second");
    m_dialog.setPlayerPrefix(missing);
    m_dialog.PlayVideo(u"clip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.count() > 0; }, kTimeoutMs));
    QTest::qWait(500);
    EXPECT_EQ(failures.count(), 1);
    EXPECT_EQ(frames.count(), 0);
    EXPECT_TRUE(m_dialog.failureText().contains(QStringLiteral("HTTP 404")));
}

TEST_F(PlayerWindowTest, FailureLineShowsWhatAServerSaidAsItStands) {
    m_dialog.show();
    const QString reason = QStringLiteral("再生できません: <img src=\"x\"><b>bold</b>");
    emit flash().playbackFailed(reason);
    EXPECT_EQ(m_dialog.failureText(), reason);
    for (const QLabel* line : m_dialog.findChildren<QLabel*>()) {
        if (line->text() == reason) {
            EXPECT_EQ(line->textFormat(), Qt::PlainText);
        }
    }
}

TEST_F(PlayerWindowTest, DebugConsoleNamesTheDecoderOncePerVideo) {
    g_playerLines.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("kestrova.player.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(collectPlayerLines);
    m_dialog.show();
    m_dialog.PlayVideo(u"first");
    const bool looped = waitForLoop();
    m_dialog.PlayVideo(u"second");
    const bool played = waitForFirstFrame() && waitForPosition(0.3);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_TRUE(looped && played);
    const QStringList decoderLines = g_playerLines.filter(QStringLiteral("decoder:"));
    ASSERT_EQ(decoderLines.size(), 2) << decoderLines.join(u'|').toStdString();
    for (const QString& line : decoderLines)
        EXPECT_TRUE(line.contains(QStringLiteral("vp9")) &&
                    line.contains(QStringLiteral("hwdec-current=no")))
            << line.toStdString();
}

TEST_F(PlayerWindowTest, TopMostChangesOnlyTheStayOnTopFlag) {
    m_dialog.show();
    QApplication::processEvents();
    const QRect geometry = m_dialog.geometry();
    const Qt::WindowFlags flags = m_dialog.windowFlags();

    m_dialog.setTopMost(true);
    EXPECT_EQ(m_dialog.windowFlags(), flags | Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(m_dialog.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.geometry(), geometry);

    m_dialog.setTopMost(false);
    EXPECT_EQ(m_dialog.windowFlags(), flags);
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.geometry(), geometry);
}

TEST_F(PlayerWindowTest, TopMostKeepsHiddenWindowHidden) {
    const QRect geometry = m_dialog.geometry();
    m_dialog.setTopMost(true);
    EXPECT_TRUE(m_dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.geometry(), geometry);
}

} // namespace
} // namespace kestrova
