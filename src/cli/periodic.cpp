#include "cli/periodic.h"

#include "cli/exit_status.h"
#include "cli/interrupt.h"

#include <charconv>
#include <cmath>

namespace zr::cli {
namespace {

std::int64_t positiveWhole(const std::string& name, const std::string& text)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value <= 0)
        throw usageError(name + ": '" + text + "' is not a whole number above 0");
    return value;
}

std::chrono::milliseconds positiveSeconds(const std::string& name, const std::string& text)
{
    double seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
        !std::isfinite(seconds) || seconds > 1e9)
        throw usageError(name + ": '" + text + "' is not a number of seconds above 0");
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

} // namespace

Schedule scheduleFromOptions(const Invocation& inv)
{
    Schedule s;
    if (auto v = inv.value("--interval"))
        s.interval = std::chrono::milliseconds(positiveWhole("--interval", *v));
    if (auto v = inv.value("--count"))
        s.count = positiveWhole("--count", *v);
    if (auto v = inv.value("--duration"))
        s.duration = positiveSeconds("--duration", *v);
    if (s.count && s.duration)
        throw usageError("--count and --duration exclude each other");
    return s;
}

std::int64_t runPeriodically(const Schedule& schedule, const std::function<void()>& step)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::int64_t steps = 0;
    std::int64_t slot = 0;
    while (!InterruptGuard::requested()) {
        step();
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
