#pragma once

#include "desktop/MprisRoot.h"
#include "player/PlaybackModel.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kestrova {

// The program in the desktop's media controls (the panel's media widget, the lock screen,
// media keys and headset buttons), which speak MPRIS: the object /org/mpris/MediaPlayer2 under
// the name org.mpris.MediaPlayer2.kestrova, or, when another Kestrova holds that,
// org.mpris.MediaPlayer2.kestrova.instance<pid>. Without a bus the program runs on as before.
class MprisPlayer;

class MprisService : public QObject {
    Q_OBJECT

public:
    MprisService(QDBusConnection bus, MprisHost host, PlaybackModel& playback);
    ~MprisService() override;

    // A new video plays, or its title changed.
    void nowPlayingChanged();

    // The name taken on the bus; empty when none could be.
    const QString& busName() const { return m_busName; }

private:
    bool registerName();

    QDBusConnection m_bus;
    MprisPlayer* m_player;
    QString m_busName;
};

} // namespace kestrova
