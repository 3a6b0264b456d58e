#pragma once

#include "desktop/MprisRoot.h"
#include "playback/PlaybackModel.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

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

    // The name taken on the bus; empty while the bus has not answered, and when none could be.
    const QString& busName() const { return m_busName; }

private:
    // Asks for the first name, then for the next one when it is taken.
    void requestName(QStringList names);

    QDBusConnection m_bus;
    MprisPlayer* m_player;
    QString m_busName;
    QString m_askedName; // asked for, no answer yet
};

} // namespace kestrova
