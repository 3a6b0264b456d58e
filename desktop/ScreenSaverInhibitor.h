#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

namespace kestrova {

// Keeps the screen from blanking while a video plays. The movie engine draws into the
// program's window and does nothing about the screensaver, so the program asks the desktop:
// the screensaver service (org.freedesktop.ScreenSaver), else the desktop portal's idle
// inhibition. Calls are asynchronous, so the GUI thread never waits on the bus; at most one
// inhibition is held or asked for at a time. Without either service it does nothing.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT

public:
    explicit ScreenSaverInhibitor(QDBusConnection bus = QDBusConnection::sessionBus());
    // Releases an inhibition still held.
    ~ScreenSaverInhibitor() override;

    // Whether the screen is to stay on; the inhibition follows, asked for or released.
    void setInhibited(bool inhibited);
    // An inhibition is held now.
    bool held() const { return m_held != Via::None; }

private:
    enum class Via { None, ScreenSaver, Portal };

    void settle();
    Via nextService() const;
    void inhibit(Via via);
    void onInhibited(Via via, const QDBusMessage& reply);
    void release();

    QDBusConnection m_bus;
    bool m_wanted = false;
    bool m_exiting = false;
    // The Inhibit call not answered yet, and whom it asked; none when m_asked is Via::None.
    QDBusPendingCallWatcher* m_pending = nullptr;
    Via m_asked = Via::None;
    Via m_held = Via::None;
    bool m_screenSaverMissing = false;
    bool m_portalMissing = false;
    uint m_cookie = 0; // the screensaver service's
    QString m_request; // the portal's request object
};

} // namespace kestrova
