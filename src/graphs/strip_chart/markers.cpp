// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/markers.h"

#include <algorithm>

namespace zr::chart {

std::size_t MarkerList::add(std::int64_t timeMs, std::string text, bool note)
{
    const auto at = std::upper_bound(markers_.begin(), markers_.end(), timeMs,
                                     [](std::int64_t t, const Marker& m) { return t < m.timeMs; });
    return static_cast<std::size_t>(markers_.insert(at, Marker{timeMs, std::move(text), note}) -
                                    markers_.begin());
}

void MarkerList::remove(std::size_t index)
{
    if (index < markers_.size())
        markers_.erase(markers_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t MarkerList::lowerBound(std::int64_t timeMs) const
{
    const auto at = std::lower_bound(markers_.begin(), markers_.end(), timeMs,
                                     [](const Marker& m, std::int64_t t) { return m.timeMs < t; });
    return static_cast<std::size_t>(at - markers_.begin());
}

std::size_t MarkerList::nearestNote(std::int64_t timeMs) const
{
    std::size_t best = markers_.size();
    std::int64_t bestDistance = 0;
    for (std::size_t i = 0; i < markers_.size(); ++i) {
        if (!markers_[i].note)
            continue;
        const std::int64_t d =
            markers_[i].timeMs > timeMs ? markers_[i].timeMs - timeMs : timeMs - markers_[i].timeMs;
        if (best == markers_.size() || d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace zr::chart
