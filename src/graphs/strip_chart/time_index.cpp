// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/time_index.h"

#include "graphs/strip_chart/plot_geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace zr::chart {
namespace {
constexpr std::int64_t kMaxCorrectionMs = std::numeric_limits<std::int8_t>::max();
} // namespace

void TimeIndex::append(std::int64_t timeMs)
{
    const std::size_t n = size();
    if (n > 0 && timeMs < lastTime_)
        timeMs = lastTime_;

    if (!runs_.empty()) {
        Run& run = runs_.back();
        const std::size_t k = n - run.firstIndex;
        if (k == 1) {
            // The second sample fixes the step. A step close to the one inherited from the
            // previous run is kept, so that one late or early sample does not skew the grid.
            const std::int64_t interval = timeMs - run.startMs;
            if (run.stepMs <= 0 || std::abs(interval - run.stepMs) > run.stepMs / 8)
                run.stepMs = interval;
        }
        const std::int64_t predicted = run.startMs + static_cast<std::int64_t>(k) * run.stepMs;
        const std::int64_t correction = timeMs - predicted;
        if (std::abs(correction) <= kMaxCorrectionMs) {
            corrections_.push_back(static_cast<std::int8_t>(correction));
            lastTime_ = timeMs;
            return;
        }
    }
    runs_.push_back({n, timeMs, nextStepGuess()});
    corrections_.push_back(0);
    lastTime_ = timeMs;
}

std::int64_t TimeIndex::nextStepGuess() const
{
    // The mean interval of the run that just ended: far better than its first interval, which
    // carries the jitter of two samples.
    if (runs_.empty())
        return 0;
    const Run& run = runs_.back();
    const auto intervals = static_cast<std::int64_t>(size() - 1 - run.firstIndex);
    if (intervals < 1)
        return run.stepMs;
    return (lastTime_ - run.startMs + intervals / 2) / intervals;
}

std::size_t TimeIndex::runOf(std::size_t i) const
{
    const auto next =
        std::upper_bound(runs_.begin(), runs_.end(), i,
                         [](std::size_t v, const Run& r) { return v < r.firstIndex; });
    return static_cast<std::size_t>(next - runs_.begin()) - 1;
}

std::int64_t TimeIndex::timeInRun(const Run& run, std::size_t i) const
{
    // A run's first sample is its start, without a correction: the oldest time costs no read of
    // corrections that have left memory.
    if (i == run.firstIndex)
        return run.startMs;
    return run.startMs + static_cast<std::int64_t>(i - run.firstIndex) * run.stepMs + correction(i);
}

std::int64_t TimeIndex::time(std::size_t i) const
{
    return timeInRun(runs_[runOf(i)], i);
}

std::size_t TimeIndex::lowerBound(std::int64_t timeMs) const
{
    // The first run that starts at or after timeMs; the answer is in the run before it, or is
    // that run's first sample.
    const auto after = std::lower_bound(runs_.begin(), runs_.end(), timeMs,
                                        [](const Run& r, std::int64_t t) { return r.startMs < t; });
    const std::size_t end = after == runs_.end() ? size() : after->firstIndex;
    if (after == runs_.begin())
        return end;
    const Run& run = *(after - 1);
    std::size_t lo = run.firstIndex, hi = end;
    if (run.stepMs > 0) {
        // Within a run a time strays at most kMaxCorrectionMs from its regular grid, so only a
        // few samples around the grid's guess can hold the answer: the search costs the same
        // however long the history is.
        const std::int64_t offset = timeMs - run.startMs;
        const std::int64_t surelyBefore = floorDiv(offset - kMaxCorrectionMs - 1, run.stepMs);
        const std::int64_t surelyAt = floorDiv(offset + kMaxCorrectionMs, run.stepMs) + 1;
        if (surelyBefore > 0)
            lo = std::max(lo, run.firstIndex + static_cast<std::size_t>(surelyBefore));
        if (surelyAt >= 0)
            hi = std::min(hi, run.firstIndex + static_cast<std::size_t>(surelyAt));
        lo = std::min(lo, hi);
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (timeInRun(run, mid) < timeMs)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t TimeIndex::bytesUsed() const
{
    return runs_.capacity() * sizeof(Run) + corrections_.bytesUsed();
}

void TimeIndex::clear()
{
    runs_.clear();
    runs_.shrink_to_fit();
    corrections_.clear();
    lastTime_ = 0;
    spilled_ = nullptr;
}

void TimeIndex::releaseBefore(std::size_t end, std::function<std::int8_t(std::size_t)> spilled)
{
    spilled_ = std::move(spilled);
    corrections_.releaseBefore(end);
}

} // namespace zr::chart
