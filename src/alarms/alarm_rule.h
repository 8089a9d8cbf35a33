// SPDX-License-Identifier: MIT
#pragma once

// An alarm rule: what it watches on which chip, and when it fires and clears. The engine
// evaluates rules; the rules file builds them.

#include "board/chips.h"
#include "board/rails.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace zr::alarms {

// The channels of a chip a rule can watch, by index: its two temperatures, then the rails of
// rails.h in their order (on a chip with rails).
inline constexpr int kInternalChannel = 0;
inline constexpr int kExternalChannel = 1;
inline constexpr int kFirstRailChannel = 2;
inline constexpr int kChannelCount = kFirstRailChannel + kRailCount;
// Every channel at once; only a failing rule watches it.
inline constexpr int kAnyChannel = -1;

constexpr bool isRailChannel(int channel)
{
    return channel >= kFirstRailChannel && channel < kChannelCount;
}

// "internal", "external", the rail's name as in a log's header ("12V"), or "any".
const char* channelName(int channel);

enum class RuleKind {
    High,    // every reading for the hold-off time strictly above the limit
    Low,     // every reading for the hold-off time strictly below the limit
    Frozen,  // `count` valid readings in a row identical
    Failing, // `count` failed readings in a row, or a lost board
};

const char* kindName(RuleKind kind);

struct Rule {
    std::string name; // the rules file's "name", or "rule N" by its place there
    Chip chip = Chip::A;
    int channel = kInternalChannel;
    RuleKind kind = RuleKind::High;
    double limit = 0;      // high, low
    double hysteresis = 0; // high, low: how far back past the limit a reading must be to clear
    std::chrono::milliseconds holdOff{0}; // high, low; measured on the readings' own times
    std::int64_t count = 0;               // frozen, failing
};

} // namespace zr::alarms
