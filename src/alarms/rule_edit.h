// SPDX-License-Identifier: MIT
#pragma once

// The rules a graph window's "Limits..." sets: per channel a high and a low limit sharing a
// hysteresis and hold-off, a frozen-reading count, and a failing count for the chip. Editing
// them changes the first rule of each channel and kind in place (its name and place kept), adds
// one where none was, and removes the ones cleared; every other rule is left as it was.

#include "alarms/alarm_rule.h"

#include <optional>
#include <vector>

namespace zr::alarms {

struct ChannelLimits {
    int channel = kInternalChannel;
    std::optional<double> high;
    std::optional<double> low;
    double hysteresis = 0;
    std::chrono::milliseconds holdOff{0};
    std::optional<std::int64_t> frozenCount;
};

struct ChartLimits {
    Chip chip = Chip::A;
    std::vector<ChannelLimits> channels;
    std::optional<std::int64_t> failingCount; // channel "any"
};

// What the rules now say for these channels of the chip.
ChartLimits limitsOf(const std::vector<Rule>& rules, Chip chip, const std::vector<int>& channels);

std::vector<Rule> withLimits(std::vector<Rule> rules, const ChartLimits& limits);

} // namespace zr::alarms
