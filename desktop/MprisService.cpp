#include "desktop/MprisService.h"

#include "desktop/DesktopLog.h"
#include "desktop/MprisPlayer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

namespace kestrova {
namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kBusName[] = "org.mpris.MediaPlayer2.kestrova";

} // namespace

MprisService::MprisService(QDBusConnection bus, MprisHost host, PlaybackModel& playback)
    : m_bus(std::move(bus))
    , m_player(new MprisPlayer(this, m_bus, playback, host.nowPlaying)) {
    new MprisRoot(this, std::move(host));
    if (!m_bus.isConnected()) {
        qCInfo(lcDesktop, "media controls: no session bus (%s)",
               qUtf8Printable(m_bus.lastError().message()));
        return;
    }
    if (!m_bus.registerObject(kObjectPath, this)) {
        qCInfo(lcDesktop, "media controls: %s is taken on the bus", kObjectPath);
        return;
    }
    if (!registerName())
        m_bus.unregisterObject(kObjectPath);
}

MprisService::~MprisService() {
    if (m_busName.isEmpty())
        return;
    m_bus.unregisterObject(kObjectPath);
    m_bus.unregisterService(m_busName);
}

void MprisService::nowPlayingChanged() {
    m_player->nowPlayingChanged();
}

bool MprisService::registerName() {
    const QString names[] = {
        QString::fromLatin1(kBusName),
        QStringLiteral("%1.instance%2").arg(kBusName).arg(QCoreApplication::applicationPid())};
    for (const QString& name : names) {
        const auto reply =
            m_bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                               QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_busName = name;
            qCInfo(lcDesktop, "media controls: %s", qUtf8Printable(name));
            return true;
        }
    }
    qCInfo(lcDesktop, "media controls: no name of %s could be taken", kBusName);
    return false;
}

} // namespace kestrova
