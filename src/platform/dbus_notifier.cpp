// SPDX-License-Identifier: MIT
#include "platform/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace zr {

void DBusNotifier::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's)
    call << appName_ << 0u << QString() << summary << body << QStringList() << QVariantMap() << -1;
    // Sent without waiting for the reply: with no service running, the bus's error answer is
    // simply dropped.
    bus.send(call);
}

} // namespace zr
