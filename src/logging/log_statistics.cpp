// SPDX-License-Identifier: MIT
#include "logging/log_statistics.h"

#include "graphs/strip_chart/chunked_array.h"
#include "graphs/strip_chart/span_statistics.h"
#include "text/decimal_value.h"
#include "text/text_rules.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace zr::logging {
namespace {

// max - min as the decimal numbers they are: 32.62 - 29.62 is 3, not 2.9999999999999964.
double decimalDifference(float max, float min)
{
    std::size_t decimals = 0;
    for (const float v : {max, min}) {
        const std::string text = text::decimalText(v);
        const std::size_t point = text.find('.');
        if (point != std::string::npos)
            decimals = std::max(decimals, text.size() - point - 1);
    }
    const double scale = std::pow(10.0, static_cast<double>(decimals));
    return std::round((text::decimalValue(max) - text::decimalValue(min)) * scale) / scale;
}

ColumnStatistics statisticsOf(const SavColumn& column, const std::vector<double>& times,
                              RecordSpan span)
{
    // The values' own indices: a column that some records lack lists the record of each value.
    const auto recordOf = [&](std::size_t value) {
        return column.records.empty() ? value : static_cast<std::size_t>(column.records[value]);
    };
    if (!column.records.empty()) {
        const auto at = [&](std::size_t record) {
            return static_cast<std::size_t>(std::lower_bound(column.records.begin(),
                                                             column.records.end(),
                                                             static_cast<std::int64_t>(record)) -
                                            column.records.begin());
        };
        span = {at(span.first), at(span.end)};
    }
    chart::ChunkedArray<float> values;
    chart::StatisticsIndex index;
    const std::size_t records = column.whole ? column.wholes.size() : column.reals.size();
    for (std::size_t i = 0; i < records; ++i) {
        const float value = column.whole ? static_cast<float>(column.wholes[i])
                                         : static_cast<float>(column.reals[i]);
        values.push_back(value);
        index.add(value);
    }
    const std::size_t end = std::min(span.end, records);
    if (span.first >= end)
        return spanFigures(column.name, {}, 0, 0);
    const chart::SpanStatistics s = index.over(values, span.first, end);
    return spanFigures(column.name, s, times.at(recordOf(s.minIndex)),
                       times.at(recordOf(s.maxIndex)));
}

} // namespace

ColumnStatistics spanFigures(std::string name, const chart::SpanStatistics& s, double minTime,
                             double maxTime)
{
    ColumnStatistics figures;
    figures.name = std::move(name);
    if (s.count == 0)
        return figures;
    figures.count = s.count;
    figures.min = text::decimalValue(s.min);
    figures.max = text::decimalValue(s.max);
    figures.mean = s.mean;
    figures.sd = s.standardDeviation();
    figures.pp = decimalDifference(s.max, s.min);
    figures.minTime = minTime;
    figures.maxTime = maxTime;
    return figures;
}

std::optional<double> figureOf(const ColumnStatistics& c, const FigureField& field)
{
    const double value = c.*field.value;
    if (c.count == 0 || std::isnan(value))
        return std::nullopt;
    return value;
}

std::vector<double> nominalRecordTimes(std::int64_t records)
{
    std::vector<double> times(static_cast<std::size_t>(std::max<std::int64_t>(records, 0)));
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = 0.25 * static_cast<double>(i + 1);
    return times;
}

std::optional<std::int64_t> isoMilliseconds(std::string_view text)
{
    int year, month, day, hour, minute, second, used = 0;
    const std::string t(text);
    if (std::sscanf(t.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6 ||
        used != 19)
        return std::nullopt;
    std::string_view rest = text.substr(19);
    std::int64_t milliseconds = 0;
    if (!rest.empty() && rest.front() == '.') {
        std::size_t digits = 1;
        while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits])))
            ++digits;
        if (digits == 1 || digits > 10)
            return std::nullopt;
        // Milliseconds, the further digits dropped, as the events file writes exactly three.
        const std::string fraction = std::string(rest.substr(1, digits - 1)) + "00";
        milliseconds = std::stoi(fraction.substr(0, 3));
        rest.remove_prefix(digits);
    }
    std::int64_t offsetMinutes = 0;
    if (rest == "Z") {
    } else if (rest.size() == 6 && (rest[0] == '+' || rest[0] == '-') && rest[3] == ':') {
        int h, m;
        if (std::sscanf(std::string(rest.substr(1)).c_str(), "%2d:%2d", &h, &m) != 2 || h > 23 ||
            m > 59)
            return std::nullopt;
        offsetMinutes = (rest[0] == '-' ? -1 : 1) * (h * 60 + m);
    } else {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year),
                              std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    const std::int64_t days = sys_days(date).time_since_epoch().count();
    return ((days * 24 + hour) * 60 + minute - offsetMinutes) * 60000 +
           static_cast<std::int64_t>(second) * 1000 + milliseconds;
}

std::vector<double> anchoredRecordTimes(const EventsLog& events, std::int64_t records)
{
    std::vector<double> times = nominalRecordTimes(records);
    const std::optional<std::int64_t> start = isoMilliseconds(events.time);
    if (!start)
        return times;
    const double interval = static_cast<double>(events.intervalMs);
    // Before the first anchor (there is none in a well-formed file), the interval from the start.
    std::int64_t anchorRecord = -1;
    double anchorMs = 0;
    auto anchor = events.anchors.begin();
    for (std::size_t r = 0; r < times.size(); ++r) {
        const auto record = static_cast<std::int64_t>(r);
        while (anchor != events.anchors.end() && anchor->record <= record) {
            if (const auto at = isoMilliseconds(anchor->time)) {
                anchorRecord = anchor->record;
                anchorMs = static_cast<double>(*at - *start);
            }
            ++anchor;
        }
        times[r] = (anchorMs + interval * static_cast<double>(record - anchorRecord)) / 1000.0;
    }
    return times;
}

RecordSpan recordSpan(const std::vector<double>& times, std::optional<double> from,
                      std::optional<double> to)
{
    RecordSpan span{0, times.size()};
    if (from)
        span.first = static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), *from) -
                                              times.begin());
    if (to)
        span.end = static_cast<std::size_t>(std::upper_bound(times.begin(), times.end(), *to) -
                                            times.begin());
    span.end = std::max(span.first, span.end);
    return span;
}

std::optional<std::vector<ColumnStatistics>> logStatistics(const SavLog& log,
                                                           const std::vector<double>& times,
                                                           RecordSpan span,
                                                           const std::string& column)
{
    std::vector<ColumnStatistics> figures;
    for (const SavColumn& c : log.columns)
        if (column.empty() || c.name == column)
            figures.push_back(statisticsOf(c, times, span));
    if (figures.empty() && !column.empty())
        return std::nullopt;
    return figures;
}

} // namespace zr::logging
