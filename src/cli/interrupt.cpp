// SPDX-License-Identifier: MIT
#include "cli/interrupt.h"

#include <cerrno>
#include <csignal>
#include <ctime>

namespace zr::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int)
{
    interrupted = 1;
}

} // namespace

struct InterruptGuard::Saved {
    struct sigaction sigint;
    struct sigaction sigterm;
};

InterruptGuard::InterruptGuard() : saved_(std::make_unique<Saved>())
{
    interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the sleep between readings must wake up at once.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &saved_->sigint);
    sigaction(SIGTERM, &action, &saved_->sigterm);
}

InterruptGuard::~InterruptGuard()
{
    sigaction(SIGINT, &saved_->sigint, nullptr);
    sigaction(SIGTERM, &saved_->sigterm, nullptr);
}

bool InterruptGuard::requested()
{
    return interrupted != 0;
}

bool sleepUntil(std::chrono::steady_clock::time_point deadline)
{
    // steady_clock is CLOCK_MONOTONIC here, so the deadline can be slept to directly.
    const auto since = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec until{};
    until.tv_sec = static_cast<time_t>(seconds.count());
    until.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    while (!InterruptGuard::requested()) {
        const int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        if (rc == 0)
            return true;
        if (rc != EINTR)
            return true;
    }
    return false;
}

} // namespace zr::cli
