// SPDX-License-Identifier: MIT
#pragma once

// A running log: the log file (log_file.h) and its events file beside it (`<path>.events`), kept
// in step. Every front end that logs (the save-data windows, the tool's log, the Python module's
// Board.log) writes through this, so that every log gets the same events file.
//
// The events file's lines for a record (a time anchor, the new columns) are written before the
// record itself, so they are with the system before that record is committed. A time anchor is
// written before the first record, whenever the records' steady times stray from the interval
// by half an interval or more (skipped ticks, failed readings, a slow board) and at least every
// kAnchorSpacing: with it a reader rebuilds every record's time to within half an interval.
//
// The events file never costs the log anything: its failure is reported once, after the next
// record (or the close) has shown that the log itself is well, and the log goes on. The log's
// failures are thrown as LogFile throws them; the events file then says nothing of its own (a
// removed folder takes both, and the log's failure is the one to tell).

#include "logging/events_file.h"
#include "logging/events_format.h"
#include "logging/log_file.h"
#include "logging/program_event.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zr::logging {

inline constexpr std::chrono::seconds kAnchorSpacing{60};

// Where the readings come from, for the events file's start line.
struct LogSource {
    int address = 0;
    std::string board;
    std::string port;
};

class LogSession {
public:
    using Report = std::function<void(const std::string& eventsPath, const std::string& reason)>;

    // Starts the log as LogFile does (throwing LogError), then its events file. `interval`: the
    // records' spacing as polled.
    LogSession(std::string path, Chip chip, const LogOptions& options,
               std::chrono::system_clock::time_point started, std::chrono::milliseconds interval,
               const LogSource& source, Report report);
    // Closes without reporting; the events file gets its stop line, timed by the system clock.
    ~LogSession();
    LogSession(const LogSession&) = delete;
    LogSession& operator=(const LogSession&) = delete;

    // One record with `options`, taken at `steady` / `wall`. Throws LogError as LogFile does.
    void writeRecord(const LogOptions& options, const Readings& readings,
                     std::chrono::steady_clock::time_point steady,
                     std::chrono::system_clock::time_point wall);
    // A marker for what the program did, before the next record.
    void note(const ProgramEvent& event);
    // Stops the events file, then closes the log; throws LogError as LogFile::close() does.
    void close(std::chrono::system_clock::time_point wall);
    // The log ends without a close of its own (a failure, a lost board): the events file gets
    // its stop line; neither file is waited for.
    void abandon(std::chrono::system_clock::time_point wall);

    LogFile& file() { return log_; }
    std::int64_t records() const { return records_; }

private:
    LogSession(std::string path, Chip chip, const LogOptions& options, const DateTimeText& when,
               std::chrono::system_clock::time_point started, std::chrono::milliseconds interval,
               const LogSource& source, Report report);
    void anchorIfDue(std::chrono::steady_clock::time_point steady,
                     std::chrono::system_clock::time_point wall);
    // The stop line; `commit`: wait for the disk, as a close does.
    void stopEvents(std::chrono::system_clock::time_point wall, bool commit);
    void reportEventsFailure();

    Chip chip_;
    std::chrono::milliseconds interval_;
    LogFile log_;
    std::unique_ptr<EventsFile> events_;
    Report report_;       // until it has been told
    std::string columns_; // line 3 as the last record had it
    std::int64_t records_ = 0;
    bool stopped_ = false;           // the events file has its stop line
    std::int64_t anchorRecord_ = -1; // none yet
    std::chrono::steady_clock::time_point anchorSteady_{};
};

} // namespace zr::logging
