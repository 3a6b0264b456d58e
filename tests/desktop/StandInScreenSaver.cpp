#include "tests/desktop/StandInScreenSaver.h"

namespace kestrova::test {
namespace {

// One portal request: Close ends its inhibition.
class Request : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    Request(QString path, InhibitionLog& log, QObject* parent)
        : QObject(parent)
        , m_path(std::move(path))
        , m_log(log) {}

public slots:
    void Close() {
        if (!m_closed)
            m_log.release(QStringLiteral("Close ") + m_path);
        m_closed = true;
    }

private:
    QString m_path;
    InhibitionLog& m_log;
    bool m_closed = false;
};

} // namespace

StandInScreenSaver::StandInScreenSaver(QDBusConnection bus, InhibitionLog& log)
    : m_log(log) {
    bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), this,
                       QDBusConnection::ExportAllSlots);
    bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
}

uint StandInScreenSaver::Inhibit(const QString& application, const QString& reason) {
    m_log.hold(QStringLiteral("Inhibit %1 %2").arg(application, reason));
    m_cookies.insert(m_next);
    return m_next++;
}

void StandInScreenSaver::UnInhibit(uint cookie) {
    if (m_cookies.remove(cookie))
        m_log.release(QStringLiteral("UnInhibit %1").arg(cookie));
    else
        m_log.calls << QStringLiteral("UnInhibit unknown %1").arg(cookie);
}

StandInPortal::StandInPortal(QDBusConnection bus, InhibitionLog& log)
    : m_bus(bus)
    , m_log(log) {
    bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                       QDBusConnection::ExportAllSlots);
    bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusObjectPath StandInPortal::Inhibit(const QString&, uint flags, const QVariantMap& options) {
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1").arg(m_next++);
    m_log.hold(
        QStringLiteral("Inhibit flags=%1 %2").arg(flags).arg(options.value("reason").toString()));
    m_bus.registerObject(path, new Request(path, m_log, this), QDBusConnection::ExportAllSlots);
    return QDBusObjectPath(path);
}

} // namespace kestrova::test

#include "StandInScreenSaver.moc"
