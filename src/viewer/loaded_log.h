// SPDX-License-Identifier: MIT
#pragma once

// A saved log made ready to show: every column as a chart trace on the log's own wall clock,
// the markers of its events file, and what the viewer must tell about how it was read. The file
// is read, parsed and turned into traces off the user-interface thread; only this reaches the
// window, and the parsed text is gone by then, so a day-long log costs its traces' bytes.

#include "board/chips.h"
#include "graphs/strip_chart/markers.h"
#include "graphs/strip_chart/trace_store.h"
#include "logging/sav_reader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zr::viewer {

// Where the records' times come from.
enum class RecordTiming {
    Anchored, // the events file's anchors: exact across gaps and skipped ticks
    Nominal,  // the header's start time plus 250 ms per record
};

struct LoadedColumn {
    std::string name; // as in the header: "Internal", "External Offset", "12V", ...
    // The column's values at their records' times, in milliseconds since the epoch (UTC).
    std::unique_ptr<chart::TraceStore> samples;
};

// Records [first, end) that do not hold what line 3 names and were left out (a log whose
// options changed part-way, read without its events file).
struct SkippedRecords {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

struct LoadedLog {
    std::string path;
    Chip chip = Chip::A;
    std::int64_t startMs = 0; // the log's start (line 2, or the events file's), ms since the epoch
    std::int64_t records = 0; // whole records read, those left out (`skipped`) included
    RecordTiming timing = RecordTiming::Nominal;
    bool hasEvents = false; // the matching events file was read
    std::vector<LoadedColumn> columns;
    std::vector<chart::Marker> markers;
    std::optional<logging::SavProblem> problem; // the line the reading stopped at, and why
    std::vector<SkippedRecords> skipped;
    // What the viewer's status line says of this reading, one sentence each: the timing source,
    // where it stopped, what was skipped and where, and the warning that without an events file
    // a change between two option sets of the same length cannot be seen.
    std::vector<std::string> notes;
};

// Called now and then with the share of the file done (0 to 1); returning false cancels.
using LoadProgress = std::function<bool(double done)>;

// Reads the log at `path` (and `<path>.events` when it is the log's own) as far as it is whole.
// Nothing when cancelled. Throws logging::SavFileError for a file that cannot be read, and
// logging::SavFormatError when not even its header is whole. Safe to call on any thread.
std::optional<LoadedLog> loadLog(const std::string& path, const LoadProgress& progress = {});

} // namespace zr::viewer
