#include "desktop/ScreenSaverInhibitor.h"

#include "desktop/DesktopLog.h"
#include "res/Texts.h"
#include "text/QtText.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace kestrova {
namespace {

constexpr char kScreenSaver[] = "org.freedesktop.ScreenSaver";
constexpr char kScreenSaverPath[] = "/org/freedesktop/ScreenSaver";
constexpr char kPortal[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kPortalInhibit[] = "org.freedesktop.portal.Inhibit";
constexpr char kPortalRequest[] = "org.freedesktop.portal.Request";
constexpr uint kPortalIdleFlag = 8;
// A desktop service answers in microseconds; these only bound a bus that hangs.
constexpr int kInhibitTimeoutMs = 2000;
constexpr int kReleaseAtExitTimeoutMs = 500;

QDBusMessage inhibitCall(bool portal) {
    const QString reason = ToQString(texts::kScreenSaverReason);
    if (portal) {
        QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kPortalInhibit,
                                                           QStringLiteral("Inhibit"));
        call << QString() << kPortalIdleFlag << QVariantMap{{QStringLiteral("reason"), reason}};
        return call;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                                       QStringLiteral("Inhibit"));
    call << ToQString(texts::kProgramName) << reason;
    return call;
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus)
    : m_bus(std::move(bus)) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    m_wanted = false;
    m_exiting = true;
    // An inhibition granted after the program has gone would outlive it: the answer is
    // awaited (and handled as ever, by the watcher), then what it granted is released.
    if (m_pending)
        m_pending->waitForFinished();
    release();
}

void ScreenSaverInhibitor::setInhibited(bool inhibited) {
    m_wanted = inhibited;
    settle();
}

// Brings what is held in line with what is wanted; an answer still awaited decides later.
void ScreenSaverInhibitor::settle() {
    if (m_asked != Via::None)
        return;
    if (m_wanted && m_held == Via::None) {
        if (const Via via = nextService(); via != Via::None)
            inhibit(via);
    } else if (!m_wanted && m_held != Via::None) {
        release();
    }
}

ScreenSaverInhibitor::Via ScreenSaverInhibitor::nextService() const {
    if (!m_screenSaverMissing)
        return Via::ScreenSaver;
    return m_portalMissing ? Via::None : Via::Portal;
}

void ScreenSaverInhibitor::inhibit(Via via) {
    m_asked = via;
    m_pending = new QDBusPendingCallWatcher(
        m_bus.asyncCall(inhibitCall(via == Via::Portal), kInhibitTimeoutMs), this);
    connect(m_pending, &QDBusPendingCallWatcher::finished, this, [this] {
        m_pending->deleteLater();
        onInhibited(m_asked, m_pending->reply());
        settle();
    });
}

void ScreenSaverInhibitor::onInhibited(Via via, const QDBusMessage& reply) {
    m_asked = Via::None;
    m_pending = nullptr;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        (via == Via::Portal ? m_portalMissing : m_screenSaverMissing) = true;
        qCInfo(lcDesktop, "screen blanking: %s cannot inhibit it (%s)",
               via == Via::Portal ? kPortal : kScreenSaver, qUtf8Printable(reply.errorMessage()));
        if (nextService() == Via::None)
            qCInfo(lcDesktop, "screen blanking: no service to inhibit it; the screen may blank "
                              "while a video plays");
        return;
    }
    m_held = via;
    if (via == Via::Portal)
        m_request = reply.arguments().first().value<QDBusObjectPath>().path();
    else
        m_cookie = reply.arguments().first().toUInt();
}

void ScreenSaverInhibitor::release() {
    if (m_held == Via::None)
        return;
    QDBusMessage call;
    if (m_held == Via::Portal) {
        call = QDBusMessage::createMethodCall(kPortal, m_request, kPortalRequest,
                                              QStringLiteral("Close"));
    } else {
        call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                              QStringLiteral("UnInhibit"));
        call << m_cookie;
    }
    m_held = Via::None;
    // At exit the release must have reached the bus before the program ends.
    if (m_exiting)
        m_bus.call(call, QDBus::Block, kReleaseAtExitTimeoutMs);
    else
        m_bus.send(call);
}

} // namespace kestrova
