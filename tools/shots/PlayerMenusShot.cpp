// player-menus-shot FILE: the player window playing one of the service's videos (through a
// stand-in yt-dlp whose answer offers three heights, two caption languages and chapters, with
// the captions shown) and its quality menu open, as the whole screen shows it, saved to FILE.
// Run it on an X display with a window manager (scripts/screenshots.sh does).
#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "player/ControlMenu.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/StandInYtDlp.h"
#include "tests/support/TempDir.h"

#include <cstdio>

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

using namespace kestrova;

constexpr char kCaptions[] = "WEBVTT\n\n00:00.000 --> 00:20.000\nようこそ、Kestrova へ\n";

std::string answerMembers(const std::string& prefix) {
    return R"("formats": [{"height": 1080}, {"height": 720}, {"height": 360}], )"
           R"("subtitles": {"ja": [{"ext": "vtt", "url": ")" +
           prefix +
           R"(ja.vtt", "name": "日本語"}]}, )"
           R"("automatic_captions": {"en-orig": [{"ext": "vtt", "url": ")" +
           prefix +
           R"(ja.vtt", "name": "English"}]}, )"
           R"("chapters": [{"start_time": 0, "title": "はじめに"}, )"
           R"({"start_time": 8, "title": "本題"}, {"start_time": 15, "title": "まとめ"}])";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: player-menus-shot FILE\n");
        return 2;
    }
    test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    const test::TempDir dir;
    if (!test::MakeTestClip(dir / "clip.webm", {640, 360, 25, 20})) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    test::MediaServer media;
    media.setClip(test::ReadFileBytes(dir / "clip.webm"));
    media.serve("/v/ja.vtt", kCaptions, "text/vtt");
    test::StandInYtDlp ytDlp(media.playerPrefix() + "clip");
    ytDlp.answerAlsoWith(answerMembers(media.playerPrefix()));

    CPlayerDlg player;
    player.resize(560, 380);
    player.show();
    player.flash().playback().setCaptions("ja");
    QSignalSpy first(&player.flash(), &CShockwaveflash1::firstFrameRendered);
    player.PlayVideo(u"Ab3dE5gH1jK");
    if (!first.wait(15000)) {
        std::fprintf(stderr, "no first frame\n");
        return 1;
    }
    QTest::qWait(3000); // into the captions and the second chapter's marks
    ControlBar& bar = player.controlBar();
    QToolButton* button = bar.menuButton(bar.qualityMenu());
    // Above its button, as a menu at the bottom of a window opens.
    bar.qualityMenu()->popup(
        button->mapToGlobal(QPoint(0, -bar.qualityMenu()->sizeHint().height())));
    QTest::qWait(800);
    const bool saved = player.screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[1]));
    bar.qualityMenu()->hide();
    return saved ? 0 : 1;
}
