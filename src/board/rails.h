// SPDX-License-Identifier: MIT
#pragma once

// The supply rails chip ZR410B monitors, in the order of its voltage reply. Every list of rails
// in the program (the readings, the graph's traces and legends, the log's columns, the save-data
// window's boxes, the tool's names) is read from this table: a new rail is a new row.

#include <array>
#include <cstdint>

namespace zr {

struct RgbColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

struct RailDescriptor {
    const char* name;         // "12V": trace and legend names, the tool's column and JSON key
    const char* legendPrefix; // before the reading in the graph's legend
    const char* logColumn;    // its column in a log file's header
    const char* saveBoxName;  // object name of its box in the save-data window
    const char* saveCaption;  // caption of that box
    RgbColour colour;         // of its trace and legend in the voltage graph
};

inline constexpr std::array<RailDescriptor, 5> kRails{{
    {"12V", "12V: ", "12V,", "chk12V", "Save 12V Readings", {255, 0, 0}},
    {"5V", "5V: ", "5V,", "chk5V", "Save 5V Readings", {0, 0, 255}},
    {"Vcc", "Vcc: ", "Vcc,", "chkVcc", "Save Vcc Readings", {0, 0, 128}},
    {"2.5V", "2.5V: ", "2.5V,", "chk2V", "Save 2.5V Readings", {0, 255, 0}},
    {"Vccp", "Vccp: ", "Vccp,", "chkVccp", "Save Vccp Readings", {0, 0, 0}},
}};

inline constexpr int kRailCount = static_cast<int>(kRails.size());

} // namespace zr
