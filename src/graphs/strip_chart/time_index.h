// SPDX-License-Identifier: MIT
#pragma once

// The sample times of one trace, in milliseconds since the epoch, without a timestamp per sample.
// Samples arrive at a nearly regular rate, so times are kept as runs of regular spacing (start,
// step) plus, per sample, a one-byte correction of up to +-127 ms against the run's regular grid.
// A sample that strays further, or a change of rate, starts a new run. Timer jitter is absorbed by
// the corrections, so a run lasts as long as the rate holds and the times cost about 1 byte each.
// Every time is kept exactly to the millisecond.

#include "graphs/strip_chart/chunked_array.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zr::chart {

class TimeIndex {
public:
    // Appends the next sample's time. Times never decrease: a clock that steps back places the
    // sample at the previous sample's time, so the index stays searchable.
    void append(std::int64_t timeMs);

    std::size_t size() const { return corrections_.size(); }
    bool empty() const { return corrections_.empty(); }
    std::int64_t time(std::size_t i) const;
    std::int64_t lastTime() const { return lastTime_; }

    // The first index whose time is at or after `timeMs` (size() when there is none).
    std::size_t lowerBound(std::int64_t timeMs) const;

    std::size_t bytesUsed() const;
    void clear();
    // Frees the corrections of the samples before `end` (as far as whole chunks go); `spilled`
    // gives them from then on.
    void releaseBefore(std::size_t end, std::function<std::int8_t(std::size_t)> spilled);
    // The corrections of samples [first, first + count), all still held, lie contiguously here
    // when they stay within one block of 4096 that starts on a multiple of 4096.
    const std::int8_t* corrections(std::size_t first) const { return corrections_.data(first); }

private:
    struct Run {
        std::size_t firstIndex;
        std::int64_t startMs; // time of the run's first sample
        std::int64_t stepMs;
    };
    std::int64_t nextStepGuess() const;
    std::size_t runOf(std::size_t i) const;
    std::int64_t timeInRun(const Run& run, std::size_t i) const;
    std::int8_t correction(std::size_t i) const
    {
        return i < corrections_.heldFrom() ? spilled_(i) : corrections_[i];
    }

    std::vector<Run> runs_;
    ChunkedArray<std::int8_t, 12> corrections_;
    std::int64_t lastTime_ = 0;
    std::function<std::int8_t(std::size_t)> spilled_;
};

} // namespace zr::chart
