// SPDX-License-Identifier: MIT
#pragma once

// The reading loop of log and watch: one step at once, then one per interval on a fixed grid (a
// slow step does not shift the later ones; slots that a step overran are skipped, as the
// program's timer does not pile up ticks), until the count is reached, the duration has passed,
// or Ctrl-C. A step that did not do its work (a failed reading left no record) does not count.

#include "cli/arguments.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace zr::cli {

// The bounds keep every point of the schedule, start + slot x interval, far inside the clock's
// range: a day between readings, a year of logging, and a count that no run reaches.
inline constexpr std::chrono::milliseconds kLongestInterval{24 * 60 * 60 * 1000};
inline constexpr std::chrono::milliseconds kLongestDuration{366LL * 24 * 60 * 60 * 1000};
inline constexpr std::int64_t kMostSteps = 1'000'000'000'000;

struct Schedule {
    std::chrono::milliseconds interval{250};
    std::optional<std::int64_t> count;
    std::optional<std::chrono::milliseconds> duration;
};

// Reads --interval, --count and --duration; throws a usage CliError naming a bad value.
Schedule scheduleFromOptions(const Invocation& invocation);

// What a step did: only counted steps bring the run nearer to its --count.
enum class StepEnd { Counted, NotCounted, Stop };

// Runs `step` on the schedule; returns how many steps counted. An InterruptGuard must be alive.
std::int64_t runPeriodically(const Schedule& schedule, const std::function<StepEnd()>& step);

} // namespace zr::cli
