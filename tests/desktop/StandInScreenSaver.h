#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

namespace kestrova::test {

// What the desktop's two inhibition services were asked, and what they hold now.
struct InhibitionLog {
    QStringList calls; // "Inhibit <application> <reason>", "UnInhibit <cookie>", ...
    int held = 0;
    int mostHeld = 0;

    void hold(const QString& call) {
        calls << call;
        mostHeld = std::max(mostHeld, ++held);
    }
    void release(const QString& call) {
        calls << call;
        --held;
    }
};

// A stand-in for the desktop's org.freedesktop.ScreenSaver on a test bus.
class StandInScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    StandInScreenSaver(QDBusConnection bus, InhibitionLog& log);

public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);

private:
    InhibitionLog& m_log;
    QSet<uint> m_cookies;
    uint m_next = 1;
};

// A stand-in for the desktop portal's org.freedesktop.portal.Inhibit: each inhibition is a
// request object whose Close ends it.
class StandInPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    StandInPortal(QDBusConnection bus, InhibitionLog& log);

public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options);

private:
    QDBusConnection m_bus;
    InhibitionLog& m_log;
    int m_next = 1;
};

} // namespace kestrova::test
