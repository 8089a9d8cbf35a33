// SPDX-License-Identifier: MIT
#pragma once

// Something the program did to a chip or to the board: written to the chip, loaded the firmware,
// lost the board, started or stopped a log. The main window announces each one; charts mark it
// and a running log's events file keeps it beside the records it came between.

#include "board/chips.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zr {

enum class EventKind {
    OffsetWritten,
    RawWrite,
    FirmwareLoaded,
    Reconnect,
    BoardLost,
    BoardNotResponding,
    LogStarted,
    LogStopped,
    OptionChanged,
    Note,  // the user's own, added on a chart
    Alarm, // an alarm rule fired or cleared: written as an "alarm" line of its own
};

// What an alarm line of an events file says of the change.
struct AlarmChange {
    std::string rule;            // its name: "rule 1", or the name the rules file gives it
    std::string channel;         // "internal", "external", a rail as in the log's header, "any"
    std::string kind;            // "high", "low", "frozen", "failing"
    std::string state;           // "firing", "clear"
    std::optional<double> value; // the reading that made the change; none for a failed read
    std::string time;            // UTC, as the events file writes times
};

struct ProgramEvent {
    std::optional<Chip> chip; // empty: the board, which concerns both chips
    EventKind kind = EventKind::FirmwareLoaded;
    std::string text; // short enough for a chart label: "Offset 5", "Xfer E0 05 00", "Board lost"
    std::optional<AlarmChange> alarm; // with EventKind::Alarm

    bool concerns(Chip c) const { return !chip || *chip == c; }
};

// The kind's name in an events file ("offset", "xfer", "lost", ...).
std::string_view eventKindName(EventKind kind);

ProgramEvent boardEvent(EventKind kind);
ProgramEvent chipEvent(Chip chip, EventKind kind);
ProgramEvent offsetWritten(Chip chip, std::int32_t offset);
// `written`: the bytes the chip received, the command byte first.
ProgramEvent rawWrite(Chip chip, std::span<const std::uint8_t> written);
// `column` as a log's header names it ("External Offset", "12V").
ProgramEvent optionChanged(Chip chip, std::string_view column, bool ticked);
ProgramEvent userNote(Chip chip, std::string_view text);

// An alarm rule's change, labelled "rule 1 firing" on the charts.
ProgramEvent alarmChanged(Chip chip, AlarmChange change);

} // namespace zr
