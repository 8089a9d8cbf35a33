// SPDX-License-Identifier: MIT
#include "viewer/header_time.h"

#include "logging/regional_time_format.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

namespace zr::viewer {
namespace {

QStringList dateFormats()
{
    QStringList formats;
    for (const QLocale& locale : {QLocale::system(), QLocale::c()})
        for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat})
            formats << locale.dateFormat(type);
    formats << QStringLiteral("yyyy-MM-dd");
    formats.removeDuplicates();
    return formats;
}

QStringList timeFormats()
{
    QStringList formats;
    for (const QLocale& locale : {QLocale::system(), QLocale::c()})
        for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
            const QString format = locale.timeFormat(type);
            formats << logging::timeFormatWithSeconds(format) << format;
        }
    formats << QStringLiteral("HH:mm:ss");
    formats.removeDuplicates();
    return formats;
}

// Qt reads a two-digit year as 19xx; a log is never that old.
QDate withCentury(QDate date, const QString& format)
{
    if (!format.contains(QLatin1String("yyyy")) && date.year() < 1970)
        return date.addYears(100);
    return date;
}

} // namespace

std::optional<std::int64_t> headerStartMs(std::string_view date, std::string_view time)
{
    const QString dateText =
        QString::fromLocal8Bit(date.data(), static_cast<qsizetype>(date.size())).trimmed();
    const QString timeText =
        QString::fromLocal8Bit(time.data(), static_cast<qsizetype>(time.size())).trimmed();
    static const QStringList kDates = dateFormats();
    static const QStringList kTimes = timeFormats();
    for (const QString& dateFormat : kDates) {
        const QDate day = QDate::fromString(dateText, dateFormat);
        if (!day.isValid())
            continue;
        for (const QString& timeFormat : kTimes) {
            const QTime clock = QTime::fromString(timeText, timeFormat);
            if (clock.isValid())
                return QDateTime(withCentury(day, dateFormat), clock).toMSecsSinceEpoch();
        }
    }
    return std::nullopt;
}

} // namespace zr::viewer
