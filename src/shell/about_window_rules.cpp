// SPDX-License-Identifier: MIT
#include "shell/about_window_rules.h"

#include "platform/child_window.h"

#include <cmath>

namespace zr {

namespace {
constexpr int kAboveCentreTwips = 1500;
}

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("ZR410A/B Evaluation Software Version %1.%2.%3")
        .arg(major)
        .arg(minor)
        .arg(revision);
}

QPoint aboutWindowPosition(QSize mainOuter, QSize aboutOuter, double logicalDpiY)
{
    const double left = mainOuter.width() / 2.0 - aboutOuter.width() / 2.0;
    const double top = mainOuter.height() / 2.0 - aboutOuter.height() / 2.0 -
                       kAboveCentreTwips * logicalDpiY / kTwipsPerInch;
    return QPoint(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)));
}

} // namespace zr
