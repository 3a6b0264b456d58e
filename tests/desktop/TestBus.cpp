#include "tests/desktop/TestBus.h"

#include <csignal>

#include <QStandardPaths>

namespace kestrova::test {

TestBus::TestBus() {
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

TestBus::~TestBus() {
    resume();
    for (const QString& name : m_connections)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(2000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }
}

QDBusConnection TestBus::connect(const QString& name) {
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

void TestBus::pause() {
    ::kill(pid_t(m_daemon.processId()), SIGSTOP);
}

void TestBus::resume() {
    ::kill(pid_t(m_daemon.processId()), SIGCONT);
}

bool TestBus::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty();
}

} // namespace kestrova::test
