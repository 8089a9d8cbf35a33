// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/wall_clock_map.h"

#include <algorithm>
#include <cstdlib>

namespace zr::chart {

bool WallClockMap::note(std::int64_t timelineMs, std::int64_t wallMs)
{
    if (timelineMs < lastNotedMs_)
        return false;
    lastNotedMs_ = timelineMs;
    const std::int64_t offset = wallMs - timelineMs;
    const std::int64_t current = steps_.empty() ? 0 : steps_.back().offsetMs;
    if (std::llabs(offset - current) <= kStepMs)
        return false;
    if (!steps_.empty() && steps_.back().fromMs == timelineMs)
        steps_.back().offsetMs = offset; // stepped again before the next reading
    else
        steps_.push_back({timelineMs, offset});
    return true;
}

std::int64_t WallClockMap::offsetAt(std::int64_t timelineMs) const
{
    const auto after = std::upper_bound(steps_.begin(), steps_.end(), timelineMs,
                                        [](std::int64_t t, const Step& s) { return t < s.fromMs; });
    return after == steps_.begin() ? 0 : std::prev(after)->offsetMs;
}

std::int64_t WallClockMap::wallTime(std::int64_t timelineMs) const
{
    return timelineMs + offsetAt(timelineMs);
}

std::vector<WallClockMap::Piece> WallClockMap::pieces(std::int64_t fromMs, std::int64_t toMs) const
{
    std::vector<Piece> out;
    if (toMs < fromMs)
        return out;
    auto next = std::upper_bound(steps_.begin(), steps_.end(), fromMs,
                                 [](std::int64_t t, const Step& s) { return t < s.fromMs; });
    std::int64_t start = fromMs;
    std::int64_t offset = next == steps_.begin() ? 0 : std::prev(next)->offsetMs;
    for (; next != steps_.end() && next->fromMs <= toMs; ++next) {
        out.push_back({start, next->fromMs - 1, offset});
        start = next->fromMs;
        offset = next->offsetMs;
    }
    out.push_back({start, toMs, offset});
    return out;
}

} // namespace zr::chart
