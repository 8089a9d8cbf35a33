// SPDX-License-Identifier: MIT
#pragma once

// The time axis: which tick step suits the visible span, where the ticks fall in local time, and
// their label texts from strftime formats. The chart holds seven formats; by index:
//   0 steps under a minute, 1 under an hour, 2 under a day, 3 whole days, 4 months, 5 years,
//   6 the label of a midnight while the labels show times of day, so the date shows up where the
//     day changes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zr::chart {

inline constexpr int kTimeFormatCount = 7;
inline constexpr int kDayChangeFormat = 6;

struct TimeStep {
    enum class Unit { Second, Minute, Hour, Day, Month, Year };
    Unit unit = Unit::Second;
    int count = 1;

    int formatIndex() const;
    std::int64_t nominalMs() const; // months as 30 days, years as 365
    bool showsTimeOfDay() const { return unit <= Unit::Hour; }
    bool operator==(const TimeStep&) const = default;
};

// The finest step whose labels fit: each label needs its width in pixels (per format index) plus
// a gap, and the labels of the span must fit into plotWidth pixels.
TimeStep chooseTimeStep(std::int64_t spanMs, int plotWidth,
                        const std::function<int(int formatIndex)>& labelWidth);

// Tick times in [fromMs, toMs], on round values of local time (whole minutes, midnights, the
// first of a month, ...). Empty when the span would need an absurd number of ticks.
std::vector<std::int64_t> timeTicks(const TimeStep& step, std::int64_t fromMs, std::int64_t toMs);

// strftime of a time in milliseconds since the epoch, in local time.
std::string formatLocalTime(std::int64_t timeMs, const std::string& format);

// The label of a tick: its step's format, or the date format at a local midnight among
// time-of-day labels. `formats` holds kTimeFormatCount entries.
std::string timeLabel(const TimeStep& step, std::int64_t timeMs,
                      const std::vector<std::string>& formats);

// True when timeMs is exactly a local midnight.
bool isLocalMidnight(std::int64_t timeMs);

} // namespace zr::chart
