// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/csv_export.h"

#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/time_axis.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace zr::chart {
namespace {

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string timeText(std::int64_t timeMs)
{
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d",
                  static_cast<int>(timeMs - floorDiv(timeMs, 1000) * 1000));
    return formatLocalTime(timeMs, "%Y-%m-%d %H:%M:%S") + millis;
}

std::string valueText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string samplesAsCsv(const std::vector<NamedTrace>& traces, std::int64_t fromMs,
                         std::int64_t toMs, std::int64_t intervalMs, const WallClockMap& wall)
{
    std::int64_t previousRowMs = std::numeric_limits<std::int64_t>::min();
    std::string csv = "Time";
    std::vector<std::size_t> at, end;
    for (const NamedTrace& t : traces) {
        csv += ',' + csvField(t.name);
        at.push_back(t.store->lowerBound(fromMs));
        end.push_back(t.store->lowerBound(toMs));
    }
    csv += '\n';
    for (;;) {
        // The next row's time is the earliest pending sample; each trace gives at most one value.
        std::int64_t rowMs = std::numeric_limits<std::int64_t>::max();
        for (std::size_t k = 0; k < traces.size(); ++k)
            if (at[k] < end[k])
                rowMs = std::min(rowMs, traces[k].store->time(at[k]));
        if (rowMs == std::numeric_limits<std::int64_t>::max())
            break;
        bool afterGap = false;
        for (std::size_t k = 0; k < traces.size(); ++k)
            afterGap = afterGap || (at[k] < end[k] && traces[k].store->time(at[k]) == rowMs &&
                                    traces[k].store->gapBefore(at[k]));
        if (afterGap && previousRowMs != std::numeric_limits<std::int64_t>::min()) {
            csv += timeText(wall.wallTime(previousRowMs + intervalMs));
            csv += std::string(traces.size(), ',');
            csv += '\n';
        }
        previousRowMs = rowMs;
        csv += timeText(wall.wallTime(rowMs));
        for (std::size_t k = 0; k < traces.size(); ++k) {
            csv += ',';
            if (at[k] < end[k] && traces[k].store->time(at[k]) == rowMs)
                csv += valueText(traces[k].store->value(at[k]++));
        }
        csv += '\n';
    }
    return csv;
}

} // namespace zr::chart
