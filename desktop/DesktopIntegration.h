#pragma once

#include "desktop/MprisService.h"
#include "desktop/ScreenSaverInhibitor.h"
#include "playback/PlaybackModel.h"

#include <QDBusConnection>
#include <QObject>

namespace kestrova {

// The player on the desktop's terms: in its media controls, and keeping the screen on while a
// video plays (not paused, loading or failed). Made once the windows are up, so the bus costs
// the start nothing; goes before the player does.
class DesktopIntegration : public QObject {
    Q_OBJECT

public:
    DesktopIntegration(QDBusConnection bus, MprisHost host, PlaybackModel& playback);

    // A new video plays, or its title changed.
    void nowPlayingChanged() { m_mpris.nowPlayingChanged(); }

private:
    void followPlayback();

    const PlaybackModel& m_playback;
    MprisService m_mpris;
    ScreenSaverInhibitor m_screenSaver;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
