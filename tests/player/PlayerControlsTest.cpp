// The player's controls on the real widgets with the real engine: keys, mouse, the control bar,
// the loading line.
#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "player/ControlMenu.h"
#include "player/SeekBar.h"
#include "tests/support/FeedServer.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QtTest/qtestspontaneevent.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

constexpr int kTimeoutMs = 15000;

// 20-second clips, long enough for every seek key; empty when ffmpeg could not make them.
std::filesystem::path makeLongClip(const char* name,
                                   const std::vector<test::ClipChapter>& chapters = {}) {
    static test::TempDir folder;
    const auto clip = folder / name;
    return test::MakeTestClip(clip, {160, 90, 25, 20}, chapters) ? clip : std::filesystem::path();
}

const std::filesystem::path& longClip() {
    static const std::filesystem::path path = makeLongClip("long.webm");
    return path;
}

const std::filesystem::path& chapterClip() {
    static const std::filesystem::path path =
        makeLongClip("chapters.webm", {{0, "Intro"}, {8, "Middle"}, {14, "Outro"}});
    return path;
}

class PlayerControlsTest : public ::testing::Test {
protected:
    void SetUp() override { m_dialog.show(); }

    PlaybackModel& playback() { return m_dialog.flash().playback(); }
    const PlaybackState& state() { return playback().state(); }
    QWidget* movie() { return m_dialog.flash().findChild<QWidget*>(); }
    double engineValue(const char* name) { return m_dialog.flash().engineOption(name).toDouble(); }
    bool engineFlag(const char* name) { return m_dialog.flash().engineOption(name) == "yes"; }
    bool becomes(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, kTimeoutMs);
    }
    bool statusBecomes(PlaybackStatus status) {
        return becomes([&] { return state().status() == status; });
    }

    void playLongClip() { play(longClip()); }
    void play(const std::filesystem::path& clip) {
        ASSERT_FALSE(clip.empty()) << "ffmpeg could not make the clip";
        QSignalSpy frames(&m_dialog.flash(), &CShockwaveflash1::firstFrameRendered);
        m_dialog.flash().LoadMovie(0, QString::fromStdString(clip.string()));
        ASSERT_TRUE(frames.wait(kTimeoutMs) || frames.count() > 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return state().duration.has_value(); }, kTimeoutMs));
    }
    // The engine's own position: the model has it in whole seconds.
    double position() { return m_dialog.flash().timePosition(); }
    bool positionNear(double seconds, double within = 0.1) {
        return becomes([&] { return std::abs(position() - seconds) < within; });
    }
    bool advances() {
        const double from = position();
        return becomes([&] { return position() > from + 0.3; });
    }
    bool standsStill() {
        QTest::qWait(200); // the frame shown when the pause came
        const double from = position();
        QTest::qWait(400);
        return position() == from;
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&m_dialog, key, modifiers);
    }

    test::MediaServer m_server;
    CPlayerDlg m_dialog{m_server.playerPrefix()};
};

TEST_F(PlayerControlsTest, KeysPauseSeekAndANewVideoPlaysAgain) {
    playLongClip();
    press(Qt::Key_Space);
    EXPECT_TRUE(statusBecomes(PlaybackStatus::Paused));
    EXPECT_TRUE(engineFlag("pause"));
    EXPECT_TRUE(standsStill());
    const std::pair<Qt::Key, double> seeks[] = {
        {Qt::Key_5, 10},    {Qt::Key_Right, 15}, {Qt::Key_J, 5},  {Qt::Key_L, 15},
        {Qt::Key_Left, 10}, {Qt::Key_Home, 0},   {Qt::Key_9, 18}, {Qt::Key_0, 0},
    };
    // Whoever is told of a jump finds the position where it went, not the second before.
    double seekedTo = -1;
    const auto seeked = playback().subscribe([&](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Seeked))
            seekedTo = state().position.value_or(-1);
    });
    for (const auto& [key, expected] : seeks) {
        press(key);
        EXPECT_TRUE(positionNear(expected))
            << QTest::toString(key) << " stands at " << state().position.value_or(-1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(seekedTo - expected) < 0.1; }, 2000))
            << QTest::toString(key) << " told as a jump to " << seekedTo;
    }
    press(Qt::Key_K);
    EXPECT_TRUE(advances());
    press(Qt::Key_K);
    EXPECT_TRUE(standsStill());
    playLongClip();
    EXPECT_TRUE(advances()) << "the new video stayed paused";
}

TEST_F(PlayerControlsTest, KeysChangeTheVolumeAndMute) {
    playLongClip();
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_M})
        press(key);
    EXPECT_TRUE(becomes([&] { return state().volume == 85 && state().muted; })) << state().volume;
    EXPECT_EQ(engineValue("volume"), 85);
    EXPECT_TRUE(engineFlag("mute"));
    QTest::keyClick(&m_dialog, Qt::Key_M, Qt::ControlModifier);
    press(Qt::Key_Up);
    EXPECT_TRUE(becomes([&] { return state().volume == 90; }));
    EXPECT_TRUE(state().muted);
}

// Clicks through the window, as the platform delivers them.
TEST_F(PlayerControlsTest, ClickOnTheMoviePausesDoubleClickLeavesItAndTheWheelSetsTheVolume) {
    playLongClip();
    const QPoint middle = movie()->mapTo(&m_dialog, movie()->rect().center());
    QTest::mouseClick(m_dialog.windowHandle(), Qt::LeftButton, {}, middle);
    EXPECT_TRUE(statusBecomes(PlaybackStatus::Paused));
    QTest::mouseDClick(m_dialog.windowHandle(), Qt::LeftButton, {}, middle);
    QTest::qWait(300);
    EXPECT_EQ(state().status(), PlaybackStatus::Paused);
    EXPECT_TRUE(engineFlag("pause"));
    EXPECT_FALSE(m_dialog.isFullScreen());

    // Through the window, as the platform delivers the wheel: to the widget under the pointer,
    // then on to its parents.
    for (int angle : {-120, -60, -60, 120}) {
        QWheelEvent wheel(middle, m_dialog.mapToGlobal(middle), {}, {0, angle}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        qApp->notify(m_dialog.windowHandle(), &wheel);
    }
    EXPECT_TRUE(becomes([&] { return state().volume == 95; })) << state().volume;
}

TEST_F(PlayerControlsTest, BarCommandsThePlayerAndNamesItsControlsInJapanese) {
    ControlBar& bar = m_dialog.controlBar();
    const std::map<QWidget*, QString> names = {
        {bar.playPauseButton(), QStringLiteral("再生")},
        {bar.seekBar(), QStringLiteral("再生位置")},
        {bar.muteButton(), QStringLiteral("ミュート")},
        {bar.volumeSlider(), QStringLiteral("音量")},
    };
    for (const auto& [control, name] : names) {
        EXPECT_EQ(control->accessibleName(), name);
        EXPECT_EQ(control->toolTip(), name);
        EXPECT_EQ(control->focusPolicy(), Qt::NoFocus) << name.toStdString();
    }
    playLongClip();
    EXPECT_EQ(bar.playPauseButton()->accessibleName(), QStringLiteral("一時停止"));
    QTest::mouseClick(bar.playPauseButton(), Qt::LeftButton);
    EXPECT_TRUE(statusBecomes(PlaybackStatus::Paused));
    EXPECT_EQ(bar.playPauseButton()->accessibleName(), QStringLiteral("再生"));

    QSlider* seek = bar.seekBar();
    QTest::mouseClick(seek, Qt::LeftButton, {}, seek->rect().center());
    EXPECT_TRUE(positionNear(10, 0.5)); // within a pixel of the middle
    const QString time = QString("0:%1 / 0:20").arg(int(position()), 2, 10, QLatin1Char('0'));
    EXPECT_TRUE(becomes([&] { return bar.timeLabel()->text() == time; }))
        << bar.timeLabel()->text().toStdString();
    QTest::mouseClick(bar.volumeSlider(), Qt::LeftButton, {}, QPoint(0, 5));
    EXPECT_TRUE(becomes([&] { return state().volume == 0; })) << state().volume;
    QTest::mouseClick(bar.muteButton(), Qt::LeftButton);
    EXPECT_TRUE(becomes([&] { return state().muted; }));
    EXPECT_TRUE(bar.muteButton()->isChecked());
}

// The volume slider goes first where the window is narrow, then the total time, down to its
// smallest.
TEST_F(PlayerControlsTest, BarFitsTheTemplateSizeAndTheSmallest) {
    ControlBar& bar = m_dialog.controlBar();
    const QWidget* always[] = {bar.playPauseButton(), bar.seekBar(), bar.timeLabel(),
                               bar.menuButton(bar.speedMenu()), bar.muteButton()};
    for (const QSize size : {m_dialog.size(), CPlayerDlg::kMinimumSize}) {
        m_dialog.resize(size);
        QApplication::processEvents();
        ASSERT_EQ(m_dialog.size(), size);
        for (const QWidget* control : always) {
            EXPECT_TRUE(control->isVisible()) << size.width();
            EXPECT_TRUE(bar.rect().contains(control->geometry())) << size.width();
        }
        const bool smallest = size == CPlayerDlg::kMinimumSize;
        EXPECT_EQ(bar.volumeSlider()->isVisible(), !smallest);
        EXPECT_EQ(bar.timeLabel()->text(), smallest ? "0:00" : "0:00 / 0:00");
        EXPECT_FALSE(bar.settingsButton()->isVisible()) << "one menu takes no more room";
        EXPECT_GE(m_dialog.flash().height(), size.height() / 2) << "the bar takes the movie";
    }
}

// More menus than there is room for fold into the settings menu; one that offers nothing shows
// nowhere.
TEST_F(PlayerControlsTest, MenusFoldIntoTheSettingsMenuWhereThereIsNoRoom) {
    ControlBar& bar = m_dialog.controlBar();
    auto& quality = *new ControlMenu(u"画質", &bar);
    auto& captions = *new ControlMenu(u"字幕", &bar);
    quality.setLabel(QStringLiteral("720p"));
    captions.setLabel(QStringLiteral("オフ"));
    bar.addMenu(&quality);
    bar.addMenu(&captions);
    ControlMenu* menus[] = {bar.speedMenu(), &quality, &captions};
    QToolButton* settings = bar.settingsButton();
    EXPECT_EQ(settings->accessibleName(), QStringLiteral("設定"));
    for (const int width : {480, CPlayerDlg::kMinimumSize.width()}) {
        m_dialog.resize(width, m_dialog.height());
        QApplication::processEvents();
        const bool folded = width == CPlayerDlg::kMinimumSize.width();
        EXPECT_EQ(settings->isVisible(), folded) << width;
        for (ControlMenu* menu : menus) {
            EXPECT_EQ(bar.menuButton(menu)->isVisible(), !folded) << width;
            EXPECT_TRUE(settings->menu()->actions().contains(menu->menuAction()));
        }
        EXPECT_TRUE(bar.rect().contains(folded ? settings->geometry()
                                               : bar.menuButton(&captions)->geometry()));
    }
    EXPECT_EQ(bar.menuButton(&quality)->text(), QStringLiteral("720p"));
    EXPECT_EQ(quality.title(), QStringLiteral("画質\t720p"));
    quality.setOffered(false);
    EXPECT_FALSE(quality.menuAction()->isVisible());
    m_dialog.resize(480, m_dialog.height());
    QApplication::processEvents();
    EXPECT_FALSE(bar.menuButton(&quality)->isVisible());
    EXPECT_TRUE(bar.menuButton(&captions)->isVisible());
}

// Shift with "." and "," are ">" and "<".
TEST_F(PlayerControlsTest, SpeedKeysAndMenuSetTheSpeedThatANewVideoKeeps) {
    playLongClip();
    ControlBar& bar = m_dialog.controlBar();
    QToolButton* button = bar.menuButton(bar.speedMenu());
    EXPECT_EQ(button->accessibleName(), QStringLiteral("再生速度"));
    EXPECT_EQ(button->text(), QStringLiteral("1x"));
    press(Qt::Key_Greater, Qt::ShiftModifier);
    press(Qt::Key_Greater, Qt::ShiftModifier);
    EXPECT_TRUE(becomes([&] { return engineValue("speed") == 1.5; })) << engineValue("speed");
    EXPECT_TRUE(becomes([&] { return button->text() == QStringLiteral("1.5x"); }));
    EXPECT_TRUE(engineFlag("audio-pitch-correction"));
    press(Qt::Key_Less, Qt::ShiftModifier);
    EXPECT_TRUE(becomes([&] { return engineValue("speed") == 1.25; })) << engineValue("speed");

    QAction* half = bar.speedMenu()->actions().at(1);
    ASSERT_EQ(half->text(), QStringLiteral("0.5x"));
    half->trigger();
    EXPECT_TRUE(becomes([&] { return state().speed == 0.5 && half->isChecked(); }));
    playLongClip();
    EXPECT_EQ(engineValue("speed"), 0.5);
    EXPECT_EQ(button->text(), QStringLiteral("0.5x"));
}

TEST_F(PlayerControlsTest, ChaptersMarkTheSeekBarNameTheTimeAndPageKeysStepThroughThem) {
    play(chapterClip());
    ASSERT_TRUE(becomes([&] { return state().chapters.size() == 3; }));
    press(Qt::Key_PageDown);
    EXPECT_TRUE(positionNear(8));
    press(Qt::Key_PageDown);
    EXPECT_TRUE(positionNear(14));
    ASSERT_TRUE(becomes([&] { return state().position >= 14; }));
    press(Qt::Key_PageDown); // the last chapter has no next
    QTest::qWait(300);
    EXPECT_GT(position(), 14);
    // Back within the first seconds of a chapter goes to the one before.
    press(Qt::Key_PageUp);
    EXPECT_TRUE(positionNear(8, 0.5));
    QLabel* time = m_dialog.controlBar().timeLabel();
    EXPECT_TRUE(becomes([&] { return time->text().endsWith(QStringLiteral(" · Middle")); }))
        << time->text().toStdString();

    auto* seek = static_cast<SeekBar*>(m_dialog.controlBar().seekBar());
    const QPoint nearTheEnd(seek->width() * 9 / 10, seek->height() / 2);
    QHelpEvent help(QEvent::ToolTip, nearTheEnd, seek->mapToGlobal(nearTheEnd));
    QApplication::sendEvent(seek, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Outro"));
    const QImage marked = seek->grab().toImage();
    seek->setChapters({});
    EXPECT_NE(seek->grab().toImage(), marked) << "no marks drawn";

    playLongClip();
    EXPECT_TRUE(state().chapters.empty());
    EXPECT_FALSE(time->text().contains(QStringLiteral("·")));
}

// While a clip plays, nothing of the window but the movie, the time and the seek bar repaints,
// and those two at most four times a second (once a second as the clip plays on).
TEST_F(PlayerControlsTest, PlayingRepaintsOnlyTheMovieTheTimeAndTheSeekBar) {
    playLongClip();
    struct PaintCounter : QObject {
        std::map<QString, int> paints;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++paints[watched->objectName().isEmpty() ? watched->metaObject()->className()
                                                         : watched->objectName()];
            return false;
        }
    } counter;
    ControlBar& bar = m_dialog.controlBar();
    bar.timeLabel()->setObjectName("time");
    bar.seekBar()->setObjectName("seek");
    QList<QWidget*> widgets = m_dialog.findChildren<QWidget*>();
    widgets << &m_dialog;
    for (QWidget* widget : widgets) {
        if (widget != movie())
            widget->installEventFilter(&counter);
    }
    QTest::qWait(2000);
    std::map<QString, int>& paints = counter.paints;
    EXPECT_GE(paints["time"], 1);
    EXPECT_LE(paints["time"], 9);
    EXPECT_GE(paints["seek"], 1);
    EXPECT_LE(paints["seek"], 9);
    EXPECT_EQ(paints.size(), 2u) << "also repainted: " << paints.rbegin()->first.toStdString();
}

// The loading line stays from the request to the first frame; a failure replaces it.
TEST_F(PlayerControlsTest, LoadingLineUntilTheFirstFrameOrTheFailure) {
    test::FeedServer slow;
    const std::string query = "?version=3&rel=0&autoplay=1&loop=1";
    slow.setReply("/v/clip" + query, test::FeedReply::ok(test::TestClipBytes()));
    slow.setReply("/v/gone" + query, test::FeedReply::withStatus(404));
    m_dialog.setPlayerPrefix(slow.baseUrl() + "/v/");
    for (const char* id : {"clip", "gone"}) {
        slow.holdRequests("/v/" + std::string(id) + query);
        m_dialog.PlayVideo(std::u16string(id, id + std::strlen(id)));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return m_dialog.loadingText() == QStringLiteral("読み込み中…"); }, kTimeoutMs))
            << id;
        slow.releaseRequests("/v/" + std::string(id) + query);
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_dialog.loadingText().isEmpty(); }, kTimeoutMs))
            << id;
    }
    EXPECT_FALSE(m_dialog.failureText().isEmpty());
}

} // namespace
} // namespace kestrova
