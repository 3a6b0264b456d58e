#pragma once

#include "playback/PlaybackModel.h"
#include "player/ControlMenu.h"

namespace kestrova {

// The speeds the player offers, the current one checked and shown as the label ("1.5x"). It
// shows the playback model's speed and commands through it.
class SpeedMenu : public ControlMenu {
    Q_OBJECT

public:
    explicit SpeedMenu(PlaybackModel& playback, QWidget* parent = nullptr);

    // "0.25x", "1x", "1.5x".
    static QString speedText(double speed);

private:
    void showSpeed();

    PlaybackModel& m_playback;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
