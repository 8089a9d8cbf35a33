// SPDX-License-Identifier: MIT
#pragma once

// The whole history of one trace: a single-precision value per sample, the sample times in a
// TimeIndex, and a min/max pyramid so that the extremes of any index range cost O(log n) instead
// of a pass over the range. Level L of the pyramid holds the min and max of each block of 16^L
// samples; together the levels add about half a byte per sample.
//
// A long session does not keep all of it in memory: samples older than the policy's window (a
// day by default) move to a cache file (history_cache.h) in steps of kSpillSamples, and with them
// the smallest blocks of the pyramid and of the span statistics. What stays for that older part
// is the coarse levels, about 0.07 bytes per sample; a read of an old sample, or the edge of a
// span among old samples, reads the file. Every figure stays what it was.

#include "graphs/strip_chart/chunked_array.h"
#include "graphs/strip_chart/history_cache.h"
#include "graphs/strip_chart/span_statistics.h"
#include "graphs/strip_chart/time_index.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zr::chart {

struct MinMax {
    float min;
    float max;
};

class TraceStore {
public:
    static constexpr std::size_t kSpillSamples = 16384;

    TraceStore() : policy_(defaultHistoryPolicy()) {}
    explicit TraceStore(HistoryPolicy policy) : policy_(std::move(policy)) {}

    // Appends one sample. A value that cannot be plotted (NaN) is refused with false; infinities
    // and values beyond single precision are kept as the largest finite single.
    bool append(std::int64_t timeMs, double value);

    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    float value(std::size_t i) const { return i >= spilled_ ? values_[i] : spilledValue(i); }
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
        return statistics_.over([this](std::size_t i) { return value(i); }, first, end);
    }

    // Whether the older history is whole and where it lives: all of it readable (in memory or in
    // the cache file), kept in memory because no cache file could be had, or partly lost because
    // the cache file failed (its samples then read as their 256-sample block's middle value).
    enum class History { Whole, InMemory, Incomplete };
    History history() const;
    // Why, when not Whole.
    const std::string& historyReason() const { return historyReason_; }
    // Samples [0, spilled()) live in the cache file.
    std::size_t spilled() const { return spilled_; }

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
    void spillOld();
    bool spillNext();
    float spilledValue(std::size_t i) const;
    MinMax smallBlock(std::size_t k) const; // level 1's entry k, wherever it lives

    ChunkedArray<float> values_;
    TimeIndex times_;
    std::vector<ChunkedArray<MinMax, 10>> levels_; // levels_[L - 1] is level L
    std::int64_t gapMs_ = 0;
    std::vector<std::size_t> gaps_; // indices of the samples that start a new line, ascending
    std::uint64_t revision_ = 0;
    StatisticsIndex statistics_;
    HistoryPolicy policy_;
    std::unique_ptr<HistoryCache> cache_; // made when the first samples leave memory
    std::size_t spilled_ = 0;
    bool cacheRefused_ = false;
    mutable std::string historyReason_; // the first thing that went wrong
};

} // namespace zr::chart
