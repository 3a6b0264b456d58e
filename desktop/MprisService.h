#pragma once

#include "desktop/MprisRoot.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kestrova {

// The program in the desktop's media controls (the panel's media widget, the lock screen,
// media keys and headset buttons), which speak MPRIS: the object /org/mpris/MediaPlayer2 under
// the name org.mpris.MediaPlayer2.kestrova, or, when another Kestrova holds that,
// org.mpris.MediaPlayer2.kestrova.instance<pid>. Without a bus the program runs on as before.
class MprisService : public QObject {
    Q_OBJECT

public:
    MprisService(QDBusConnection bus, MprisHost host);
    ~MprisService() override;

    // The name taken on the bus; empty when none could be.
    const QString& busName() const { return m_busName; }

private:
    bool registerName();

    QDBusConnection m_bus;
    QString m_busName;
};

} // namespace kestrova
