#pragma once

// The reading loop of log and watch: one step at once, then one per interval on a fixed grid (a
// slow step does not shift the later ones; slots that a step overran are skipped, as the
// program's timer does not pile up ticks), until the count is reached, the duration has passed,
// or Ctrl-C.

#include "cli/arguments.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace zr::cli {

struct Schedule {
    std::chrono::milliseconds interval{250};
    std::optional<std::int64_t> count;
    std::optional<std::chrono::milliseconds> duration;
};

// Reads --interval, --count and --duration; throws a usage CliError naming a bad value.
Schedule scheduleFromOptions(const Invocation& invocation);

// Runs `step` on the schedule; returns how many steps ran. An InterruptGuard must be alive.
std::int64_t runPeriodically(const Schedule& schedule, const std::function<void()>& step);

} // namespace zr::cli
