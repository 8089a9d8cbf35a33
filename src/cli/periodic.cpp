// SPDX-License-Identifier: MIT
#include "cli/periodic.h"

#include "cli/argument_numbers.h"
#include "cli/exit_status.h"
#include "cli/interrupt.h"

#include <charconv>
#include <cmath>

namespace zr::cli {
namespace {

std::chrono::milliseconds secondsInRange(const std::string& name, const std::string& text)
{
    double seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    const double lowest = 0.001;
    const double highest = static_cast<double>(kLongestDuration.count()) / 1000.0;
    // The negated test also refuses "nan", which compares false with everything.
    if (ec != std::errc() || end != text.data() + text.size() ||
        !(seconds >= lowest && seconds <= highest))
        throw usageError(name + ": '" + text + "' is not a number of seconds from " + "0.001 to " +
                         std::to_string(kLongestDuration.count() / 1000) + " (366 days)");
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

} // namespace

Schedule scheduleFromOptions(const Invocation& inv)
{
    Schedule s;
    if (auto v = inv.value("--interval"))
        s.interval =
            std::chrono::milliseconds(wholeInRange("--interval", *v, 1, kLongestInterval.count()));
    if (auto v = inv.value("--count"))
        s.count = wholeInRange("--count", *v, 1, kMostSteps);
    if (auto v = inv.value("--duration"))
        s.duration = secondsInRange("--duration", *v);
    if (s.count && s.duration)
        throw usageError("--count and --duration exclude each other");
    return s;
}

std::int64_t runPeriodically(const Schedule& schedule, const std::function<StepEnd()>& step)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::int64_t steps = 0;
    std::int64_t slot = 0;
    while (!InterruptGuard::requested()) {
        const StepEnd end = step();
        if (end == StepEnd::Stop)
            break;
        if (end == StepEnd::Counted)
            ++steps;
        ++slot;
        const Clock::time_point now = Clock::now();
        if (start + slot * schedule.interval < now)
            slot = (now - start) / schedule.interval + 1;
        if (schedule.count && steps >= *schedule.count)
            break;
        if (schedule.duration && slot * schedule.interval >= *schedule.duration)
            break;
        if (!sleepUntil(start + slot * schedule.interval))
            break;
    }
    return steps;
}

} // namespace zr::cli
