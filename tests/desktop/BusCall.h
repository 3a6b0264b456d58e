#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace kestrova::test {

// A call, and its answer. A service that lives on this thread needs QDBus::BlockWithGui, whose
// wait runs the thread's event loop; one in another process only QDBus::Block.
inline QDBusMessage CallOn(QDBusConnection bus, const QString& service, const QString& path,
                           const QString& interface, const QString& method,
                           const QVariantList& arguments = {},
                           QDBus::CallMode mode = QDBus::BlockWithGui) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, mode, 5000);
}

// A property read through org.freedesktop.DBus.Properties; invalid when the call failed.
inline QVariant PropertyOn(QDBusConnection bus, const QString& service, const QString& path,
                           const QString& interface, const QString& name,
                           QDBus::CallMode mode = QDBus::BlockWithGui) {
    const QDBusMessage reply =
        CallOn(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
               QStringLiteral("Get"), {interface, name}, mode);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

// A map read off the bus (a{sv}), which arrives still marshalled inside a variant.
inline QVariantMap DemarshalMap(const QVariant& value) {
    if (!value.canConvert<QDBusArgument>())
        return value.toMap();
    QVariantMap map;
    value.value<QDBusArgument>() >> map;
    return map;
}

} // namespace kestrova::test
