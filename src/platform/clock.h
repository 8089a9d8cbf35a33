// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace zr {

// The time, injected so that log headers and chart time axes can be tested.
class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock time: what logs and time labels show. It may be set back or forward at any
    // moment (NTP, the user).
    virtual std::chrono::system_clock::time_point now() const = 0;
    // A clock that only runs forward at a steady pace: what spaces samples on a chart.
    virtual std::chrono::steady_clock::time_point steadyNow() const = 0;
};

class SystemClock : public Clock {
public:
    std::chrono::system_clock::time_point now() const override
    {
        return std::chrono::system_clock::now();
    }
    std::chrono::steady_clock::time_point steadyNow() const override
    {
        return std::chrono::steady_clock::now();
    }
};

} // namespace zr
