// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace zr {

// Opens a web page in the desktop's default browser. Failures are not reported.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void openUrl(const QString& url) = 0;
};

class DesktopUrlOpener : public UrlOpener {
public:
    void openUrl(const QString& url) override;
};

} // namespace zr
