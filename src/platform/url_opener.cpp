// SPDX-License-Identifier: MIT
#include "platform/url_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace zr {

void DesktopUrlOpener::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

} // namespace zr
