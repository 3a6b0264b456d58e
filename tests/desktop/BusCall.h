#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace kestrova::test {

// A call to a service that may live on this thread: the wait runs its event loop meanwhile.
inline QDBusMessage CallOn(QDBusConnection bus, const QString& service, const QString& path,
                           const QString& interface, const QString& method,
                           const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::BlockWithGui, 5000);
}

// A property read through org.freedesktop.DBus.Properties; invalid when the call failed.
inline QVariant PropertyOn(QDBusConnection bus, const QString& service, const QString& path,
                           const QString& interface, const QString& name) {
    const QDBusMessage reply =
        CallOn(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
               QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

} // namespace kestrova::test
