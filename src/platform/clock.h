#pragma once

#include <chrono>

namespace zr {

// Wall-clock time, injected so that log headers and chart time axes can be tested.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

class SystemClock : public Clock {
public:
    std::chrono::system_clock::time_point now() const override
    {
        return std::chrono::system_clock::now();
    }
};

} // namespace zr
