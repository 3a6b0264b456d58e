#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace kestrova::test {

// A session bus of its own (dbus-daemon), for tests of what the program says on the bus and
// of stand-ins for the desktop's services; the daemon ends with the object.
class TestBus {
public:
    TestBus();
    ~TestBus();
    TestBus(const TestBus&) = delete;
    TestBus& operator=(const TestBus&) = delete;

    // Empty when the daemon did not start.
    const QString& address() const { return m_address; }
    // A new connection to the bus under `name`; closed with the bus.
    QDBusConnection connect(const QString& name);

    static bool available();

    // Stops the daemon, so that it answers nothing until resumed, as a hung bus would not.
    void pause();
    void resume();

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace kestrova::test
