#pragma once

#include "player/PlaybackModel.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace kestrova {

// The strip below the movie: play/pause, the seek bar with the elapsed and total time, mute and
// the volume. It shows the playback model and commands through it. Its controls take no
// keyboard focus, so the player window's keys work whatever was clicked last. Where the window
// is narrow the volume slider goes first, then the time.
class ControlBar : public QWidget {
    Q_OBJECT

public:
    // The time and the seek bar follow the position at most this often, and repaint alone.
    static constexpr int kPositionRefreshMs = 250;

    explicit ControlBar(PlaybackModel& playback, QWidget* parent = nullptr);

    QToolButton* playPauseButton() const { return m_playPause; }
    QSlider* seekBar() const { return m_seekBar; }
    QLabel* timeLabel() const { return m_time; }
    QToolButton* muteButton() const { return m_mute; }
    QSlider* volumeSlider() const { return m_volume; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void prepareControls();
    void layOut();
    void connectControls();
    void onPlaybackChanged(PlaybackChanges changes);
    void onPositionChanged();
    void showStatus();
    void showPosition();
    void showDuration();
    void showSound();
    void fitWidth();

    PlaybackModel& m_playback;
    QToolButton* m_playPause;
    QSlider* m_seekBar;
    QLabel* m_time;
    QToolButton* m_mute;
    QSlider* m_volume;
    QTimer m_positionRefresh;
    bool m_positionPending = false;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
