// SPDX-License-Identifier: MIT
#pragma once

// The alarm engine: it evaluates its rules on the readings a front end already takes, once per
// chip per tick, and reports every change of an alarm's state as an event. It never reads the
// board: a channel that no one read on a tick leaves its rules idle. A front end that reads a
// channel twice in one tick (a graph and a save window) merges the two into one tick first, so
// that the channel counts once.
//
// - high: fires once every reading over the hold-off time has been strictly above the limit,
//   clears once every reading over the hold-off time has been at or below limit - hysteresis.
//   low is the mirror image. The hold-off runs from the first reading of the run to the one
//   that completes it, on the readings' own times; a reading that breaks the run, a failed read
//   and a tick without the channel start it again. A hold-off of 0 acts on the first reading.
// - frozen: fires at the `count`-th identical valid reading in a row, clears at the first
//   different one. A failed read or a tick without the channel ends the run.
// - failing: fires at the `count`-th failed read in a row of its channel (channel any: of any
//   channel of the chip), and at once when the board is lost; clears at the first valid read.
//
// Readings are single precision and limits are compared in single precision too, so that a
// reading shown as 11.4 is not below a limit of 11.4.

#include "alarms/alarm_rule.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zr::alarms {

using TimePoint = std::chrono::system_clock::time_point;

enum class ReadState { NotRead, Failed, Valid };

struct ChannelReading {
    ReadState state = ReadState::NotRead;
    float value = 0; // when Valid

    static ChannelReading valid(float v) { return {ReadState::Valid, v}; }
    static ChannelReading failed() { return {ReadState::Failed, 0}; }
};

// One tick's readings of one chip, by channel index (alarm_rule.h).
using ChipTick = std::array<ChannelReading, kChannelCount>;

enum class AlarmState { Clear, Firing };

const char* stateName(AlarmState state);

struct AlarmEvent {
    TimePoint time; // of the reading that made the change
    std::size_t ruleIndex = 0;
    std::string rule; // its name
    Chip chip = Chip::A;
    int channel = kInternalChannel;
    RuleKind kind = RuleKind::High;
    AlarmState state = AlarmState::Firing;
    std::optional<float> value; // the reading; none for a failed read or a lost board
};

class AlarmEngine {
public:
    explicit AlarmEngine(std::vector<Rule> rules);

    const std::vector<Rule>& rules() const { return rules_; }

    // Evaluates every rule of `chip` once on its readings of this tick, taken at `at`; returns
    // the changes in the order of the rules.
    std::vector<AlarmEvent> feed(Chip chip, const ChipTick& tick, TimePoint at);
    // The board is gone: every failing rule fires now; the runs of the others start again.
    std::vector<AlarmEvent> boardLost(TimePoint at);

    bool firing(std::size_t rule) const { return states_[rule].firing; }
    // Its channel was not read in the latest tick of its chip, or no tick came yet.
    bool idle(std::size_t rule) const { return states_[rule].idle; }

private:
    struct RuleState {
        bool firing = false;
        bool idle = true;
        std::optional<TimePoint> runStart; // high, low: first reading of the current run
        std::int64_t run = 0;              // frozen: identical readings; failing: failed reads
        float last = 0;                    // frozen: the reading the run repeats
    };

    std::optional<AlarmEvent> evaluate(std::size_t index, const ChipTick& tick, TimePoint at);
    std::optional<AlarmEvent> limit(std::size_t index, const ChannelReading& r, TimePoint at);
    std::optional<AlarmEvent> frozen(std::size_t index, const ChannelReading& r, TimePoint at);
    std::optional<AlarmEvent> failing(std::size_t index, const ChipTick& tick, TimePoint at);
    AlarmEvent change(std::size_t index, TimePoint at, std::optional<float> value);

    std::vector<Rule> rules_;
    std::vector<RuleState> states_;
};

// 2026-03-14T09:26:53.589Z: UTC to the millisecond.
std::string isoTime(TimePoint time);

// One line for people:
//   2026-03-14T09:26:53.589Z alarm rule 1 firing: ZR410A external high, 31.25°C
std::string eventText(const AlarmEvent& event);

} // namespace zr::alarms
