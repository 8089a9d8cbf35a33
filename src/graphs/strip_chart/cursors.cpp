// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/cursors.h"

#include <algorithm>
#include <limits>

namespace zr::chart {

std::optional<std::int64_t> nearestSampleTime(const std::vector<const TraceStore*>& traces,
                                              std::int64_t timeMs)
{
    std::optional<std::int64_t> best;
    auto consider = [&](std::int64_t t) {
        const auto distance = [timeMs](std::int64_t x) {
            return x > timeMs ? x - timeMs : timeMs - x;
        };
        if (!best || distance(t) < distance(*best) || (distance(t) == distance(*best) && t < *best))
            best = t;
    };
    for (const TraceStore* trace : traces) {
        if (trace->empty())
            continue;
        const std::size_t i = trace->lowerBound(timeMs);
        if (i < trace->size())
            consider(trace->time(i));
        if (i > 0)
            consider(trace->time(i - 1));
    }
    return best;
}

std::int64_t stepSampleTime(const std::vector<const TraceStore*>& traces, std::int64_t timeMs,
                            int steps)
{
    for (; steps > 0; --steps) {
        std::int64_t next = std::numeric_limits<std::int64_t>::max();
        for (const TraceStore* trace : traces)
            if (const std::size_t i = trace->lowerBound(timeMs + 1); i < trace->size())
                next = std::min(next, trace->time(i));
        if (next == std::numeric_limits<std::int64_t>::max())
            break;
        timeMs = next;
    }
    for (; steps < 0; ++steps) {
        std::int64_t previous = std::numeric_limits<std::int64_t>::min();
        for (const TraceStore* trace : traces)
            if (const std::size_t i = trace->lowerBound(timeMs); i > 0)
                previous = std::max(previous, trace->time(i - 1));
        if (previous == std::numeric_limits<std::int64_t>::min())
            break;
        timeMs = previous;
    }
    return timeMs;
}

std::optional<float> readingAt(const TraceStore& trace, std::int64_t timeMs)
{
    const std::size_t i = trace.lowerBound(timeMs);
    if (i < trace.size() && trace.time(i) == timeMs)
        return trace.value(i);
    if (i == 0 || (i < trace.size() && trace.gapBefore(i)))
        return std::nullopt;
    return trace.value(i - 1);
}

bool ChartCursors::add(std::int64_t timeMs)
{
    if (count() == kMax)
        return false;
    times_.push_back(timeMs);
    active_ = count() - 1;
    return true;
}

void ChartCursors::move(std::int64_t timeMs)
{
    if (active_ >= 0)
        times_[static_cast<std::size_t>(active_)] = timeMs;
}

void ChartCursors::switchActive()
{
    if (count() == kMax)
        active_ = 1 - active_;
}

void ChartCursors::removeActive()
{
    if (active_ < 0)
        return;
    times_.erase(times_.begin() + active_);
    active_ = count() - 1;
}

void ChartCursors::clear()
{
    times_.clear();
    active_ = -1;
}

std::optional<std::pair<std::int64_t, std::int64_t>> ChartCursors::span() const
{
    if (count() < kMax)
        return std::nullopt;
    return std::minmax(times_[0], times_[1]);
}

} // namespace zr::chart
