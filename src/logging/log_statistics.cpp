// SPDX-License-Identifier: MIT
#include "logging/log_statistics.h"

#include "graphs/strip_chart/chunked_array.h"
#include "graphs/strip_chart/span_statistics.h"
#include "text/text_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zr::logging {
namespace {

// A sample as its decimal text reads: 25.12, not the 25.1200008 single precision holds. The log
// wrote that text from the same single-precision value, so this is the figure in the file.
double asWritten(float value)
{
    const std::string text = text::decimalText(value);
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

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
    return std::round((asWritten(max) - asWritten(min)) * scale) / scale;
}

ColumnStatistics statisticsOf(const SavColumn& column, const std::vector<double>& times,
                              RecordSpan span)
{
    chart::ChunkedArray<float> values;
    chart::StatisticsIndex index;
    const std::size_t records = column.whole ? column.wholes.size() : column.reals.size();
    for (std::size_t i = 0; i < records; ++i) {
        const float value = column.whole ? static_cast<float>(column.wholes[i])
                                         : static_cast<float>(column.reals[i]);
        values.push_back(value);
        index.add(value);
    }
    ColumnStatistics figures;
    figures.name = column.name;
    const std::size_t end = std::min(span.end, records);
    if (span.first >= end)
        return figures;
    const chart::SpanStatistics s = index.over(values, span.first, end);
    figures.count = s.count;
    figures.min = asWritten(s.min);
    figures.max = asWritten(s.max);
    figures.mean = s.mean;
    figures.sd = s.standardDeviation();
    figures.pp = decimalDifference(s.max, s.min);
    figures.minTime = times.at(s.minIndex);
    figures.maxTime = times.at(s.maxIndex);
    return figures;
}

} // namespace

std::vector<double> nominalRecordTimes(std::int64_t records)
{
    std::vector<double> times(static_cast<std::size_t>(std::max<std::int64_t>(records, 0)));
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = 0.25 * static_cast<double>(i + 1);
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
