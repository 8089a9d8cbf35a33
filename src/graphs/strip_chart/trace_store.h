// SPDX-License-Identifier: MIT
#pragma once

// The whole history of one trace: a single-precision value per sample, the sample times in a
// TimeIndex, and a min/max pyramid so that the extremes of any index range cost O(log n) instead
// of a pass over the range. Level L of the pyramid holds the min and max of each block of 16^L
// samples; together the levels add about half a byte per sample.

#include "graphs/strip_chart/chunked_array.h"
#include "graphs/strip_chart/span_statistics.h"
#include "graphs/strip_chart/time_index.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr::chart {

struct MinMax {
    float min;
    float max;
};

class TraceStore {
public:
    // Appends one sample. A value that cannot be plotted (NaN) is refused with false; infinities
    // and values beyond single precision are kept as the largest finite single.
    bool append(std::int64_t timeMs, double value);

    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    float value(std::size_t i) const { return values_[i]; }
    std::int64_t time(std::size_t i) const { return times_.time(i); }
    std::int64_t lastTime() const { return times_.lastTime(); }
    std::size_t lowerBound(std::int64_t timeMs) const { return times_.lowerBound(timeMs); }
    const TimeIndex& times() const { return times_; }

    // Readings missing: a sample that comes more than gapMs after the one before it starts a new
    // line, so that nothing is drawn across the time without readings. 0 means never.
    void setGapMs(std::int64_t gapMs);
    std::int64_t gapMs() const { return gapMs_; }
    bool gapBefore(std::size_t i) const;
    // The first sample after `i` that starts a new line (size() when none does).
    std::size_t nextGapAfter(std::size_t i) const;

    // Smallest and largest value of samples [first, end); the range must not be empty.
    MinMax minMax(std::size_t first, std::size_t end) const;
    // Count, extremes, mean and deviation of samples [first, end), exactly, in O(log n).
    SpanStatistics statistics(std::size_t first, std::size_t end) const
    {
        return statistics_.over(values_, first, end);
    }

    std::size_t bytesUsed() const;
    // Of those, what the span statistics' block summaries take.
    std::size_t statisticsBytesUsed() const { return statistics_.bytesUsed(); }
    void clear();
    // Changes whenever samples already stored could read differently (cleared, gaps redrawn):
    // what was worked out from them before no longer holds. Appending does not change it.
    std::uint64_t revision() const { return revision_; }

private:
    static constexpr int kLevelShift = 4; // 16 entries of one level per entry of the next
    void addLevel();

    ChunkedArray<float> values_;
    TimeIndex times_;
    std::vector<ChunkedArray<MinMax, 10>> levels_; // levels_[L - 1] is level L
    std::int64_t gapMs_ = 0;
    std::vector<std::size_t> gaps_; // indices of the samples that start a new line, ascending
    std::uint64_t revision_ = 0;
    StatisticsIndex statistics_;
};

} // namespace zr::chart
