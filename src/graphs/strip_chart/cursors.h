// SPDX-License-Identifier: MIT
#pragma once

// The chart's two vertical cursors. Each stands on a sample time (of any trace), so that its
// readout is a stored reading and never an interpolation; the keys move one of them, the active
// one. Two cursors bound a selection: the statistics are then worked out between them.

#include "graphs/strip_chart/trace_store.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace zr::chart {

// The sample time of any trace nearest timeMs, the earlier one of two as near; none without
// samples.
std::optional<std::int64_t> nearestSampleTime(const std::vector<const TraceStore*>& traces,
                                              std::int64_t timeMs);
// The sample time `steps` samples (of all traces together) after timeMs, or before it when
// negative; it stops at the first or last sample.
std::int64_t stepSampleTime(const std::vector<const TraceStore*>& traces, std::int64_t timeMs,
                            int steps);
// A trace's reading at timeMs: its sample then, or the last one before while no gap has opened
// since; none before its first sample or inside a gap.
std::optional<float> readingAt(const TraceStore& trace, std::int64_t timeMs);

class ChartCursors {
public:
    static constexpr int kMax = 2;

    int count() const { return static_cast<int>(times_.size()); }
    std::int64_t time(int cursor) const { return times_.at(static_cast<std::size_t>(cursor)); }
    int active() const { return active_; }

    // A new cursor, which becomes the active one; false when both are placed already.
    bool add(std::int64_t timeMs);
    // Moves the active cursor.
    void move(std::int64_t timeMs);
    void setActive(int cursor) { active_ = cursor; }
    // Makes the other cursor the active one.
    void switchActive();
    // Removes the active cursor; the other, if any, becomes active.
    void removeActive();
    void clear();

    // The span between two cursors, earlier time first; none with fewer than two.
    std::optional<std::pair<std::int64_t, std::int64_t>> span() const;

private:
    std::vector<std::int64_t> times_;
    int active_ = -1;
};

} // namespace zr::chart
