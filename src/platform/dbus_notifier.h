// SPDX-License-Identifier: MIT
#pragma once

// Notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications). The call does not wait for an answer, so a slow or missing
// service never holds up the window that notifies.

#include "platform/notifier.h"

namespace zr {

class DBusNotifier : public Notifier {
public:
    explicit DBusNotifier(QString appName) : appName_(std::move(appName)) {}
    void notify(const QString& summary, const QString& body) override;

private:
    QString appName_;
};

} // namespace zr
