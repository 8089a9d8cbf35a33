// SPDX-License-Identifier: MIT
#pragma once

// Desktop notifications, injected so that windows can be tested without a desktop.

#include <QString>

namespace zr {

class Notifier {
public:
    virtual ~Notifier() = default;
    // Shows a short notice outside the program's windows; where the desktop shows none, nothing
    // happens and nothing fails.
    virtual void notify(const QString& summary, const QString& body) = 0;
};

} // namespace zr
