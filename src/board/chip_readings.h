// SPDX-License-Identifier: MIT
#pragma once

// The readings every chip kind has, in the order of a log's columns and of the tool's output: the
// two temperatures and the external offset. A chip with rails adds those of rails.h after them.
// Every output that names these readings (the log's header, the tool's JSON keys, column names
// and table headings, the exporter's series) reads this table: a new reading is a new row.

#include <array>
#include <cstddef>

namespace zr {

enum class ChipReading { Internal, External, ExternalOffset };

struct ChipReadingDescriptor {
    ChipReading reading;
    const char* logColumn; // its column in a log file's header
    const char* key;       // the tool's JSON key and --columns name
    const char* heading;   // the tool's table heading and text line
    bool wholeDegrees;     // a register setting in whole degrees, not a measured temperature
};

inline constexpr std::array<ChipReadingDescriptor, 3> kChipReadings{{
    {ChipReading::Internal, "Internal,", "internal", "Internal", false},
    {ChipReading::External, "External,", "external", "External", false},
    {ChipReading::ExternalOffset, "External Offset,", "offset", "Offset", true},
}};

constexpr const ChipReadingDescriptor& readingInfo(ChipReading reading)
{
    return kChipReadings[static_cast<std::size_t>(reading)];
}

} // namespace zr
