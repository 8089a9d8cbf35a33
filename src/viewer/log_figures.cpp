// SPDX-License-Identifier: MIT
#include "viewer/log_figures.h"

namespace zr::viewer {

logging::ColumnStatistics columnFigures(const LoadedLog& log, const LoadedColumn& column,
                                        std::int64_t fromMs, std::int64_t toMs)
{
    const chart::TraceStore& samples = *column.samples;
    const std::size_t first = samples.lowerBound(fromMs);
    const std::size_t end = toMs < fromMs ? first : samples.lowerBound(toMs + 1);
    if (first >= end)
        return logging::spanFigures(column.name, {}, 0, 0);
    const chart::SpanStatistics s = samples.statistics(first, end);
    // Whole milliseconds back to seconds: the very doubles the log's record times are.
    const auto seconds = [&](std::size_t i) {
        return static_cast<double>(samples.time(i) - log.startMs) / 1000.0;
    };
    return logging::spanFigures(column.name, s, seconds(s.minIndex), seconds(s.maxIndex));
}

} // namespace zr::viewer
