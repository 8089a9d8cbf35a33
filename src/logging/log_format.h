// SPDX-License-Identifier: MIT
#pragma once

// The text of a log file: which readings become columns, the column header, and the records.
// Pure functions on plain data, shared by the save-data windows and the command-line tool.
//
// A log file is, line by line, each line ending in CR LF:
//   1  the chip name ("ZR410A" or "ZR410B")
//   2  dateTimeLine(): "Date:," date ",Time:," time, taken when the log starts
//   3  headerLine(): the columns chosen when the log starts
//   4… recordLine(): one per reading, with the columns chosen at that moment
// Nothing is quoted. Every number is written by text::logNumberText: a space before values that
// are not negative, "." as the decimal point in every locale.

#include "board/chip_readings.h"
#include "board/chips.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zr::logging {

inline constexpr std::string_view kLineEnd = "\r\n";

constexpr std::array<bool, kRailCount> allTicked()
{
    std::array<bool, kRailCount> all{};
    all.fill(true);
    return all;
}

// The readings chosen for the file. The defaults are the ticks a save-data window opens with.
struct LogOptions {
    bool internal = true;
    bool external = true;
    bool externalOffset = false;
    // In the order of kRails; only a chip with rails logs them.
    std::array<bool, kRailCount> voltages = allTicked();
};

// One set of readings of a chip, as the SST routines leave them in the shared state.
struct Readings {
    float intTemp = 0;
    float extTemp = 0;
    std::int32_t extOffset = 0;
    std::array<float, kRailCount> voltages{}; // a chip with rails only
};

Readings readingsOf(const DeviceState& state);

// Whether `options` ticks a reading, for code that walks kChipReadings.
bool& ticked(LogOptions& options, ChipReading reading);
bool ticked(const LogOptions& options, ChipReading reading);
// A reading's value as the chip gave it: a temperature as a single, the offset as a whole number.
using ReadingValue = std::variant<float, std::int32_t>;
ReadingValue valueOf(const Readings& readings, ChipReading reading);
// A reading's text in a record, "." for the point and a space before a value that is not negative.
std::string logText(const Readings& readings, ChipReading reading);

// Line 3 without its line end. Every column name ends in ","; a ZR410B header always has the lone
// "," that separates the temperature group from the rails, so it is never empty.
std::string headerLine(Chip chip, const LogOptions& options);

// A record without its line end. Columns after the first start with ","; ZR410A records end in a
// final ","; ZR410B records put "," after the temperature group and ", " before each rail.
std::string recordLine(Chip chip, const LogOptions& options, const Readings& readings);

// Line 2 without its line end.
std::string dateTimeLine(std::string_view dateText, std::string_view timeText);

// Lines 1 to 3 without their line ends, as a log started with `options` at that date and time
// begins.
std::array<std::string, 3> headerLines(Chip chip, const LogOptions& options, std::string_view date,
                                       std::string_view time);

// The names of the columns a record with `options` holds, in their order ("Internal", "12V").
std::vector<std::string> columnNames(Chip chip, const LogOptions& options);

} // namespace zr::logging
