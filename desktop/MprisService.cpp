#include "desktop/MprisService.h"

#include "desktop/DesktopLog.h"
#include "desktop/MprisPlayer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kestrova {
namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kBusName[] = "org.mpris.MediaPlayer2.kestrova";
// The bus's RequestName: fail at once rather than wait in its queue for the name.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;

QDBusMessage busCall(const char* method, const QString& name) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
    call << name;
    return call;
}

} // namespace

MprisService::MprisService(QDBusConnection bus, MprisHost host, PlaybackModel& playback)
    : m_bus(std::move(bus))
    , m_player(new MprisPlayer(this, m_bus, playback, host.nowPlaying, host.openUri)) {
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
    requestName(
        {QString::fromLatin1(kBusName),
         QStringLiteral("%1.instance%2").arg(kBusName).arg(QCoreApplication::applicationPid())});
}

// Without waiting for the bus: the name goes once the process ends in any case.
MprisService::~MprisService() {
    for (const QString& name : {m_busName, m_askedName}) {
        if (!name.isEmpty())
            m_bus.send(busCall("ReleaseName", name));
    }
    if (!m_askedName.isEmpty() || !m_busName.isEmpty())
        m_bus.unregisterObject(kObjectPath);
}

void MprisService::nowPlayingChanged() {
    m_player->nowPlayingChanged();
}

// Asked without waiting for the answer: a bus that hangs must not hold the windows.
void MprisService::requestName(QStringList names) {
    m_askedName = names.takeFirst();
    QDBusMessage request = busCall("RequestName", m_askedName);
    request << kDoNotQueue;
    auto* answer = new QDBusPendingCallWatcher(m_bus.asyncCall(request), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, answer, names] {
        answer->deleteLater();
        const QDBusPendingReply<uint> reply = *answer;
        const QString name = std::exchange(m_askedName, QString());
        if (reply.isValid() && reply.value() == kPrimaryOwner) {
            m_busName = name;
            qCInfo(lcDesktop, "media controls: %s", qUtf8Printable(name));
        } else if (!names.isEmpty()) {
            requestName(names);
        } else {
            qCInfo(lcDesktop, "media controls: no name of %s could be taken", kBusName);
            m_bus.unregisterObject(kObjectPath);
        }
    });
}

} // namespace kestrova
