// SPDX-License-Identifier: MIT
#include "logging/regional_time.h"

#include "logging/regional_time_format.h"

#include <QDateTime>
#include <QLocale>

namespace zr::logging {

QString timeFormatWithSeconds(const QString& format)
{
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return format;
    QChar separator = QLatin1Char(':');
    if (minutes > 0 && !format.at(minutes - 1).isLetter())
        separator = format.at(minutes - 1);
    QString withSeconds = format;
    withSeconds.insert(minutes + 2, QString(separator) + QLatin1String("ss"));
    return withSeconds;
}

DateTimeText regionalDateTime(std::chrono::system_clock::time_point when)
{
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(local.date(), QLocale::ShortFormat);
    const QString time = locale.toString(
        local.time(), timeFormatWithSeconds(locale.timeFormat(QLocale::ShortFormat)));
    return {date.toLocal8Bit().toStdString(), time.toLocal8Bit().toStdString()};
}

} // namespace zr::logging
