// The service's videos through yt-dlp, with a stand-in yt-dlp on PATH that hands out the
// loopback clip.

#include "player/CPlayerDlg.h"
#include "res/Texts.h"
#include "service/StreamSupply.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/StandInYtDlp.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::ArgumentAfter;
using test::StandInYtDlp;

constexpr int kTimeoutMs = 15000;
const std::string kMovieAddress =
    "http://www.youtube.com/v/Ab3dE5gH1jK?version=3&rel=0&autoplay=1&loop=1";

int expectedLines(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    return std::min(1080,
                    int(std::lround(screen->geometry().height() * screen->devicePixelRatio())));
}

class YtDlpPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(test::TestClipBytes().empty()); }

    bool waitForFirstFrame(CPlayerDlg& dialog) {
        QSignalSpy frames(&dialog.flash(), &CShockwaveflash1::firstFrameRendered);
        return frames.wait(kTimeoutMs) || frames.count() > 0;
    }

    test::MediaServer m_media;
};

TEST_F(YtDlpPlaybackTest, ServiceAddressGoesToYtDlpAtOnceWithAFormatThatFits) {
    const StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    CPlayerDlg dialog; // the default player prefix: the service
    dialog.show();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog)) << dialog.failureText().toStdString();

    const auto calls = ytDlp.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].back(), kMovieAddress);
    const std::string format = ArgumentAfter(calls[0], "--format");
    const std::string cap = "[height<=" + std::to_string(expectedLines(dialog)) + "]";
    EXPECT_EQ(format.find("bv" + cap), 0u) << format;
    EXPECT_NE(format.find("[vcodec!^=av01]"), std::string::npos) << format;
    // Nothing but the clip went over HTTP: the page was never opened directly.
    EXPECT_EQ(m_media.requestTargets(), std::vector<std::string>{"/v/clip"});
    EXPECT_EQ(dialog.flash().moviePath().toStdString(), kMovieAddress);
}

TEST_F(YtDlpPlaybackTest, LoopbackMediaNeverReachesYtDlp) {
    const StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    CPlayerDlg dialog(m_media.playerPrefix());
    dialog.show();
    dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame(dialog));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.flash().timePosition() >= 0.3; }, kTimeoutMs));
    EXPECT_TRUE(ytDlp.calls().empty());
}

// Play Back needs no new run of yt-dlp; a kept answer whose streams the server refuses (as it
// refuses expired ones) is asked for again, and the video plays, without a failure line.
TEST_F(YtDlpPlaybackTest, AKeptAnswerServesReplaysAndIsAskedForAgainWhenRefused) {
    StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    ytDlp.answerWith({m_media.playerPrefix() + "clip", m_media.playerPrefix() + "clip2"});
    CPlayerDlg dialog;
    QSignalSpy failures(&dialog.flash(), &CShockwaveflash1::playbackFailed);
    dialog.show();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog)) << dialog.failureText().toStdString();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog));
    EXPECT_EQ(ytDlp.calls().size(), 1u);

    m_media.refuse("/v/clip", 403);
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog)) << dialog.failureText().toStdString();
    EXPECT_EQ(ytDlp.calls().size(), 2u);
    EXPECT_EQ(failures.count(), 0);
    EXPECT_EQ(m_media.requestTargets().back(), "/v/clip2");
}

// A video paused until its streams expired gets new ones when it goes on.
TEST_F(YtDlpPlaybackTest, APausedVideoWhoseStreamsExpiredGetsNewOnesWhenItGoesOn) {
    StandInYtDlp ytDlp(m_media.playerPrefix() + "clip");
    QObject context;
    auto now = std::chrono::system_clock::now();
    StreamSupply::Settings settings;
    settings.keeper.places = DefaultYtDlpPlaces();
    settings.clock = [&now] { return now; };
    StreamSupply streams(settings, [&context](std::function<void()> call) {
        QMetaObject::invokeMethod(&context, std::move(call), Qt::QueuedConnection);
    });
    CPlayerDlg dialog({}, &streams);
    dialog.show();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog));
    PlaybackModel& playback = dialog.flash().playback();
    playback.pause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.state().paused; }, kTimeoutMs));
    EXPECT_EQ(ytDlp.calls().size(), 1u);

    now += std::chrono::hours(2); // an answer without an end is kept for an hour
    playback.play();
    ASSERT_TRUE(waitForFirstFrame(dialog));
    EXPECT_EQ(ytDlp.calls().size(), 2u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !playback.state().paused; }, kTimeoutMs));
}

TEST_F(YtDlpPlaybackTest, FailingYtDlpIsNamedWithItsVersion) {
    const StandInYtDlp ytDlp(m_media.playerPrefix() + "clip", true, "2023.03.04");
    CPlayerDlg dialog;
    dialog.show();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.failureText().isEmpty(); }, kTimeoutMs));
    EXPECT_EQ(dialog.failureText().toStdU16String(),
              u"再生できません: yt-dlp が古い可能性があります (バージョン 2023.03.04)");
    EXPECT_FALSE(ytDlp.calls().empty());
}

TEST_F(YtDlpPlaybackTest, SoftwareRenderingKeepsSoftwareDecoding) {
    CPlayerDlg dialog(m_media.playerPrefix());
    ASSERT_TRUE(dialog.flash().usesSoftwareRendering());
    dialog.show();
    dialog.PlayVideo(u"clip");
    ASSERT_TRUE(waitForFirstFrame(dialog));
    EXPECT_EQ(dialog.flash().engineOption("hwdec"), QStringLiteral("no"));
}

} // namespace
} // namespace kestrova
