// SPDX-License-Identifier: MIT
#pragma once

// Samples are placed on a steady timeline that never jumps, so that a wall clock set back or
// forward (by NTP, by hand) neither piles new samples into one column nor opens a false gap.
// What the user reads, though, is wall time: this map says, for each stretch of the timeline,
// how far the wall clock stood from it. A new stretch begins only where the wall clock stepped
// by more than a second; slow drift stays within one stretch. Where nothing was noted the wall
// time is the timeline time itself.

#include <cstdint>
#include <limits>
#include <vector>

namespace zr::chart {

class WallClockMap {
public:
    static constexpr std::int64_t kStepMs = 1000;

    struct Piece {
        std::int64_t fromMs;   // timeline, inclusive
        std::int64_t toMs;     // timeline, inclusive
        std::int64_t offsetMs; // wall time minus timeline time
    };

    // The wall clock read wallMs at timeline time timelineMs; true when it stepped there.
    // Readings must come in timeline order; an earlier one is ignored.
    bool note(std::int64_t timelineMs, std::int64_t wallMs);

    std::int64_t wallTime(std::int64_t timelineMs) const;
    // [fromMs, toMs] cut where the wall clock stepped, in timeline order.
    std::vector<Piece> pieces(std::int64_t fromMs, std::int64_t toMs) const;

private:
    struct Step {
        std::int64_t fromMs;
        std::int64_t offsetMs;
    };
    std::int64_t offsetAt(std::int64_t timelineMs) const;

    std::vector<Step> steps_; // ascending fromMs; before the first, the offset is 0
    std::int64_t lastNotedMs_ = std::numeric_limits<std::int64_t>::min();
};

} // namespace zr::chart
