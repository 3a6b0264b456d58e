// The service's videos through yt-dlp, with a stand-in yt-dlp on PATH that hands out the
// loopback clip.

#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "player/ControlMenu.h"
#include "res/Texts.h"
#include "service/StreamSupply.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/StandInYtDlp.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

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

QStringList entriesOf(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << action->text();
    return texts;
}

// The answer of a video in three heights, with captions by its uploader and made by the
// service, and two chapters; the captions are served as the service serves them.
TEST_F(YtDlpPlaybackTest, MenusOfferTheAnswersHeightsAndCaptionsAndAQualityGoesOnInPlace) {
    const test::TempDir dir;
    ASSERT_TRUE(test::MakeTestClip(dir / "long.webm", {160, 90, 25, 20}));
    m_media.setClip(test::ReadFileBytes(dir / "long.webm"));
    const std::string prefix = m_media.playerPrefix();
    m_media.serve("/v/ja.vtt", "WEBVTT\n\n00:00.000 --> 00:20.000\nこんにちは\n", "text/vtt");
    StandInYtDlp ytDlp(prefix + "clip");
    ytDlp.answerAlsoWith(
        R"("formats": [{"height": 360}, {"height": 1080}, {"height": 720}, {"height": null}], )"
        R"("subtitles": {"ja": [{"ext": "vtt", "url": ")" +
        prefix +
        R"(ja.vtt", "name": "日本語"}]}, )"
        R"("automatic_captions": {"en-orig": [{"ext": "vtt", "url": ")" +
        prefix +
        R"(en.vtt", "name": "English"}], "fr": [{"ext": "vtt", "url": "x", "name": "French"}]}, )"
        R"("chapters": [{"start_time": 0, "end_time": 10, "title": "Intro"}, )"
        R"({"start_time": 10, "end_time": 20, "title": "Outro"}])");
    CPlayerDlg dialog;
    dialog.show();
    dialog.PlayVideo(u"Ab3dE5gH1jK");
    ASSERT_TRUE(waitForFirstFrame(dialog)) << dialog.failureText().toStdString();
    PlaybackModel& playback = dialog.flash().playback();
    ControlBar& bar = dialog.controlBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.state().chapters.size() == 2; }, kTimeoutMs));
    EXPECT_EQ(entriesOf(*bar.qualityMenu()), QStringList({"自動", "1080p", "720p", "360p"}));
    EXPECT_EQ(entriesOf(*bar.captionsMenu()),
              QStringList({"オフ", "日本語", "English (自動生成)"}));
    EXPECT_TRUE(bar.qualityMenu()->offered() && bar.captionsMenu()->offered());

    bar.captionsMenu()->actions().at(1)->trigger();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto targets = m_media.requestTargets();
            return std::find(targets.begin(), targets.end(), "/v/ja.vtt") != targets.end();
        },
        kTimeoutMs));
    EXPECT_EQ(bar.captionsMenu()->label(), QStringLiteral("日本語"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dialog.flash().engineOption("sid") == "1"; }, kTimeoutMs));

    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.flash().timePosition() >= 3; }, kTimeoutMs));
    bar.qualityMenu()->actions().at(3)->trigger(); // 360p
    ASSERT_TRUE(waitForFirstFrame(dialog));
    const auto calls = ytDlp.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(ArgumentAfter(calls[1], "--format").find("[height<=360]"), std::string::npos);
    EXPECT_GE(dialog.flash().timePosition(), 2.5) << "went on from where it stood";
    EXPECT_EQ(bar.menuButton(bar.qualityMenu())->text(), QStringLiteral("360p"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return playback.state().captionsShown == "ja"; }, kTimeoutMs));

    // A quality yt-dlp cannot give leaves the video playing as it was.
    ytDlp.failWith("ERROR: [youtube] Ab3dE5gH1jK: Requested format is not available");
    bar.qualityMenu()->actions().at(2)->trigger(); // 720p
    ASSERT_TRUE(QTest::qWaitFor([&] { return ytDlp.calls().size() == 3; }, kTimeoutMs));
    QTest::qWait(500);
    EXPECT_TRUE(dialog.failureText().isEmpty()) << dialog.failureText().toStdString();
    EXPECT_EQ(playback.state().status(), PlaybackStatus::Playing);
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
