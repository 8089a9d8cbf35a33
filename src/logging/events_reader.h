// SPDX-License-Identifier: MIT
#pragma once

// Reading a log's events file (events_format.h, docs/events-file.md) back, for every front end
// that shows a log: its markers, the anchors that time its records, and the options lines that
// say which columns its records hold when they change part-way.
//
// Lenient by design: an events file only adds to its log. It is used only when its start line's
// copy of lines 1 to 3 matches the log's; lines of a kind this reader does not know are skipped
// (later versions add kinds); what points past the log's last record is dropped; the reading
// ends at the first line that is not a JSON object (the last line of a file cut off).

#include "logging/sav_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::logging {

struct EventsAnchor {
    std::int64_t record = 0; // the record taken at `time`
    std::string time;        // UTC, "2026-12-08T15:41:10.123Z"
};

struct EventsMarker {
    std::int64_t record = 0; // the record it came before
    std::string text;
    std::string event; // "offset", "xfer", "lost", ...
};

struct EventsLog {
    std::array<std::string, 3> lines; // the log's lines 1 to 3
    std::vector<std::string> columns;
    std::string time;
    std::int64_t intervalMs = 0;
    std::string chip;
    std::int64_t address = 0;
    std::string board;
    std::string port;
    std::string version;
    std::vector<EventsAnchor> anchors;
    std::vector<EventsMarker> markers;
    std::vector<SavShape> shapes; // each options line
    std::optional<EventsAnchor> stop;
};

// The events in `eventsText` of the log whose text is (or begins with) `savText`; nothing when
// they are not that log's.
std::optional<EventsLog> readEvents(std::string_view eventsText, std::string_view savText);

// Drops what comes after the log's `records` records.
void dropPast(EventsLog& events, std::int64_t records);

struct LogWithEvents {
    SavLog log;
    std::optional<EventsLog> events;
};

// The log at `path` and, when `<path>.events` is its own, its events, with every record's values
// in the columns the events file says it holds. Throws as readSavFile does; a missing or
// unreadable events file is no error.
LogWithEvents readLogWithEvents(const std::string& path, SavMode mode);

} // namespace zr::logging
