#pragma once

#include "playback/PlaybackModel.h"

#include <vector>

#include <QTimer>
#include <QWidget>

class QLabel;
class QMenu;
class QSlider;
class QToolButton;

namespace kestrova {

class ControlMenu;
class SeekBar;
class SpeedMenu;
class QualityMenu;
class CaptionsMenu;

// The strip below the movie: play/pause, the seek bar with the elapsed and total time and the
// chapter playing, the menus (the speed first), mute and the volume. It shows the playback
// model and commands through it. Its controls take no keyboard focus, so the player window's
// keys work whatever was clicked last. Where the window is narrow the volume slider goes first,
// then the chapter's title, then the menus fold into one settings menu, then the total time.
class ControlBar : public QWidget {
    Q_OBJECT

public:
    // The time and the seek bar follow the position at most this often, and repaint alone.
    static constexpr int kPositionRefreshMs = 250;
    // The chapter's title after the time takes at most this many pixels; longer ones are cut.
    static constexpr int kMaxChapterTitleWidth = 120;

    explicit ControlBar(PlaybackModel& playback, QWidget* parent = nullptr);

    // Adds a menu after those added before: a button of its own while the bar has room for the
    // buttons of every menu offered, an entry of the settings menu otherwise (ControlMenu). The
    // menu lives as long as the bar, as a child of it does.
    void addMenu(ControlMenu* menu);

    QToolButton* playPauseButton() const { return m_playPause; }
    QSlider* seekBar() const;
    QLabel* timeLabel() const { return m_time; }
    QToolButton* muteButton() const { return m_mute; }
    QSlider* volumeSlider() const { return m_volume; }
    ControlMenu* speedMenu() const;
    ControlMenu* qualityMenu() const;
    ControlMenu* captionsMenu() const;
    // The button of a menu added, and the one that holds them all when they are folded.
    QToolButton* menuButton(const ControlMenu* menu) const;
    QToolButton* settingsButton() const { return m_settings; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct MenuSlot {
        ControlMenu* menu;
        QToolButton* button;
    };

    void prepareControls();
    void layOut();
    void connectControls();
    void onPlaybackChanged(PlaybackChanges changes);
    void onPositionChanged();
    void showStatus();
    void showPosition();
    void showDuration();
    void showChapters();
    void showSound();
    void showMenus();
    void fitWidth();
    QString chapterTitleShown() const;

    PlaybackModel& m_playback;
    QToolButton* m_playPause;
    SeekBar* m_seekBar;
    QLabel* m_time;
    QToolButton* m_settings;
    QMenu* m_settingsMenu;
    QToolButton* m_mute;
    QSlider* m_volume;
    std::vector<MenuSlot> m_menus;
    SpeedMenu* m_speedMenu;
    QualityMenu* m_qualityMenu;
    CaptionsMenu* m_captionsMenu;
    QTimer m_positionRefresh;
    bool m_positionPending = false;
    int m_timeWidth = 0;    // the elapsed and total time, as wide as its widest text
    int m_elapsedWidth = 0; // the elapsed time alone
    int m_chapterWidth = 0; // what the chapter's title adds to either
    bool m_totalShown = true;
    bool m_chapterTitleShown = false;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
