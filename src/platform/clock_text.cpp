// SPDX-License-Identifier: MIT
#include "platform/clock_text.h"

#include <QDateTime>

namespace zr {

QString timeOfDayText(std::chrono::system_clock::time_point when)
{
    const qint64 ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace zr
