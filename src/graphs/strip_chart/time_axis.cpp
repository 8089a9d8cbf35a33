// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/time_axis.h"

#include "graphs/strip_chart/plot_geometry.h"

#include <array>
#include <ctime>

namespace zr::chart {
namespace {

using Unit = TimeStep::Unit;

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;
constexpr std::size_t kMaxTicks = 2000;
constexpr int kLabelGap = 24; // pixels between neighbouring labels

constexpr std::array<TimeStep, 24> kSteps{{
    {Unit::Second, 1},  {Unit::Second, 2},  {Unit::Second, 5},  {Unit::Second, 10},
    {Unit::Second, 15}, {Unit::Second, 30}, {Unit::Minute, 1},  {Unit::Minute, 2},
    {Unit::Minute, 5},  {Unit::Minute, 10}, {Unit::Minute, 15}, {Unit::Minute, 30},
    {Unit::Hour, 1},    {Unit::Hour, 2},    {Unit::Hour, 3},    {Unit::Hour, 6},
    {Unit::Hour, 12},   {Unit::Day, 1},     {Unit::Day, 2},     {Unit::Day, 7},
    {Unit::Month, 1},   {Unit::Month, 3},   {Unit::Year, 1},    {Unit::Year, 10},
}};

std::tm localTm(std::int64_t timeMs)
{
    const std::time_t seconds = static_cast<std::time_t>(floorDiv(timeMs, kSecond));
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return tm;
}

std::int64_t utcOffsetMs(std::int64_t timeMs)
{
    return static_cast<std::int64_t>(localTm(timeMs).tm_gmtoff) * kSecond;
}

// Fixed steps up to hours: multiples of the step in local time.
std::vector<std::int64_t> fixedTicks(std::int64_t stepMs, std::int64_t fromMs, std::int64_t toMs)
{
    std::vector<std::int64_t> ticks;
    if ((toMs - fromMs) / stepMs > static_cast<std::int64_t>(kMaxTicks))
        return ticks;
    auto alignUp = [stepMs](std::int64_t t) {
        const std::int64_t offset = utcOffsetMs(t);
        std::int64_t aligned = floorDiv(t + offset, stepMs) * stepMs - offset;
        return aligned < t ? aligned + stepMs : aligned;
    };
    for (std::int64_t t = alignUp(fromMs); t <= toMs; t = alignUp(t + stepMs)) {
        ticks.push_back(t);
        if (ticks.size() > kMaxTicks)
            break;
    }
    return ticks;
}

// Calendar steps: local midnights, first days of months, first days of years.
std::vector<std::int64_t> calendarTicks(const TimeStep& step, std::int64_t fromMs,
                                        std::int64_t toMs)
{
    std::vector<std::int64_t> ticks;
    if ((toMs - fromMs) / step.nominalMs() > static_cast<std::int64_t>(kMaxTicks))
        return ticks;
    std::tm tm = localTm(fromMs);
    tm.tm_sec = tm.tm_min = tm.tm_hour = 0;
    tm.tm_isdst = -1;
    if (step.unit == Unit::Day) {
        tm.tm_mday -= (tm.tm_yday % step.count);
    } else if (step.unit == Unit::Month) {
        tm.tm_mday = 1;
        tm.tm_mon -= tm.tm_mon % step.count;
    } else {
        tm.tm_mday = 1;
        tm.tm_mon = 0;
        tm.tm_year -= (tm.tm_year + 1900) % step.count;
    }
    for (std::size_t guard = 0; guard < kMaxTicks + 2; ++guard) {
        std::tm probe = tm;
        const std::int64_t t = static_cast<std::int64_t>(std::mktime(&probe)) * kSecond;
        if (t > toMs)
            break;
        if (t >= fromMs)
            ticks.push_back(t);
        if (step.unit == Unit::Day)
            tm.tm_mday += step.count;
        else if (step.unit == Unit::Month)
            tm.tm_mon += step.count;
        else
            tm.tm_year += step.count;
        tm.tm_isdst = -1;
    }
    return ticks;
}

} // namespace

int TimeStep::formatIndex() const
{
    switch (unit) {
    case Unit::Second:
        return 0;
    case Unit::Minute:
        return 1;
    case Unit::Hour:
        return 2;
    case Unit::Day:
        return 3;
    case Unit::Month:
        return 4;
    case Unit::Year:
        return 5;
    }
    return 0;
}

std::int64_t TimeStep::nominalMs() const
{
    switch (unit) {
    case Unit::Second:
        return count * kSecond;
    case Unit::Minute:
        return count * kMinute;
    case Unit::Hour:
        return count * kHour;
    case Unit::Day:
        return count * kDay;
    case Unit::Month:
        return count * 30 * kDay;
    case Unit::Year:
        return count * 365 * kDay;
    }
    return kSecond;
}

TimeStep chooseTimeStep(std::int64_t spanMs, int plotWidth,
                        const std::function<int(int formatIndex)>& labelWidth)
{
    for (const TimeStep& step : kSteps) {
        const double labels = static_cast<double>(spanMs) / static_cast<double>(step.nominalMs());
        if (labels * (labelWidth(step.formatIndex()) + kLabelGap) <= plotWidth)
            return step;
    }
    return kSteps.back();
}

std::vector<std::int64_t> timeTicks(const TimeStep& step, std::int64_t fromMs, std::int64_t toMs)
{
    if (toMs < fromMs)
        return {};
    if (step.unit <= Unit::Hour)
        return fixedTicks(step.nominalMs(), fromMs, toMs);
    return calendarTicks(step, fromMs, toMs);
}

// `format` with every %p written out as AM or PM: a locale without designators (de_DE) would
// print nothing, and a 12-hour time without them is ambiguous.
static std::string withMeridiem(const std::string& format, int hour)
{
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 'p') {
                out += hour < 12 ? "AM" : "PM";
            } else {
                out += format[i];
                out += format[i + 1];
            }
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

std::string formatLocalTime(std::int64_t timeMs, const std::string& format)
{
    const std::tm tm = localTm(timeMs);
    char buffer[256];
    const std::string written = withMeridiem(format, tm.tm_hour);
    const std::size_t n = std::strftime(buffer, sizeof buffer, written.c_str(), &tm);
    return std::string(buffer, n);
}

std::string timeLabel(const TimeStep& step, std::int64_t timeMs,
                      const std::vector<std::string>& formats)
{
    const bool dayChanges = step.showsTimeOfDay() && isLocalMidnight(timeMs);
    return formatLocalTime(timeMs, formats.at(dayChanges ? kDayChangeFormat : step.formatIndex()));
}

bool isLocalMidnight(std::int64_t timeMs)
{
    if (timeMs % kSecond != 0)
        return false;
    const std::tm tm = localTm(timeMs);
    return tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0;
}

} // namespace zr::chart
