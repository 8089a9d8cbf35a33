// SPDX-License-Identifier: MIT
#pragma once

// The latest readings of the exporter's poller, handed to the HTTP side under a lock that is held
// only to copy them: a scrape never waits on the board, and the poller never waits on a scrape.

#include "alarms/alarm_rule.h"
#include "board/chips.h"
#include "board/rails.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zr::exporter {

using Clock = std::chrono::steady_clock;

// One reading and when it was taken; empty after a failed read or a lost board.
template <typename T> struct Timed {
    T value{};
    std::optional<Clock::time_point> at;

    void set(T v, Clock::time_point when)
    {
        value = v;
        at = when;
    }
    void clear() { at.reset(); }
    // Current: taken, and not older than `maxAge` at `now`.
    bool currentAt(Clock::time_point now, Clock::duration maxAge) const
    {
        return at && now - *at <= maxAge;
    }
};

struct ChipReadings {
    Chip chip = Chip::A;
    int address = 0;
    Timed<float> internal;
    Timed<float> external;
    Timed<std::int32_t> offset;
    std::array<Timed<float>, kRailCount> voltages; // a chip with rails only
};

// An alarm rule the exporter was given, and whether it fires.
struct AlarmSeries {
    std::string rule;
    Chip chip = Chip::A;
    int channel = 0; // alarm_rule.h's channel index
    bool firing = false;
};

struct Snapshot {
    std::string board; // the board label: its USB port path, or "sim"
    bool up = false;
    std::uint64_t polls = 0;
    std::optional<double> lastPollUnixSeconds;
    std::vector<ChipReadings> chips; // the chips the last scan found
    // By chipIndex; counted from the first scan that found the chip, kept across losses.
    std::array<std::optional<std::uint64_t>, kChipCount> failedReads;
    std::vector<AlarmSeries> alarms; // in the order of the rules file
};

class ReadingsCache {
public:
    Snapshot snapshot() const
    {
        std::lock_guard lock(mutex_);
        return snapshot_;
    }
    void publish(const Snapshot& latest)
    {
        std::lock_guard lock(mutex_);
        snapshot_ = latest;
    }

private:
    mutable std::mutex mutex_;
    Snapshot snapshot_;
};

} // namespace zr::exporter
