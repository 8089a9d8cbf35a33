// SPDX-License-Identifier: MIT
#pragma once

// Ctrl-C (SIGINT) and SIGTERM end a log or a watch between two readings, never inside one: the
// handler only raises a flag that the loop looks at.

#include <chrono>
#include <memory>

namespace zr::cli {

class InterruptGuard {
public:
    InterruptGuard();  // installs the handlers and clears the flag
    ~InterruptGuard(); // puts the previous handlers back
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool requested();

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

// Sleeps until `deadline` on the steady clock; returns early, with false, on an interrupt.
bool sleepUntil(std::chrono::steady_clock::time_point deadline);

} // namespace zr::cli
