// SPDX-License-Identifier: MIT
#pragma once

// The lines of an events file (docs/events-file.md): one JSON object per line, UTF-8, each with
// its "kind". Pure functions; events_file.h writes them and events_reader.h reads them back.

#include "board/chips.h"
#include "logging/program_event.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr::logging {

inline constexpr int kEventsFormat = 1;
inline constexpr std::string_view kEventsSuffix = ".events";

// What the start line says about the log beside it and where its readings come from.
struct EventsStart {
    Chip chip = Chip::A;
    // The log's lines 1 to 3 as written; in the file as text::utf8Text gives them.
    std::array<std::string, 3> savLines;
    std::vector<std::string> columns; // line 3's columns, in order
    std::chrono::system_clock::time_point started;
    std::chrono::milliseconds interval{0}; // between records, as the log is polled
    int address = 0;
    std::string board; // BoardLibrary::description()
    std::string port;  // the USB port path, empty when unknown
};

// "2026-12-08T15:41:10.123Z".
std::string utcText(std::chrono::system_clock::time_point when);

// Each line without its line end. `record`: the records the log held when it was written, so the
// index of the record that follows.
std::string startLine(const EventsStart& start);
std::string anchorLine(std::int64_t record, std::chrono::system_clock::time_point when);
std::string markerLine(std::int64_t record, const ProgramEvent& event);
std::string optionsLine(std::int64_t record, const std::vector<std::string>& columns);
std::string stopLine(std::int64_t record, std::chrono::system_clock::time_point when);

} // namespace zr::logging
