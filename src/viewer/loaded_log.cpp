// SPDX-License-Identifier: MIT
#include "viewer/loaded_log.h"

#include "logging/events_reader.h"
#include "logging/log_statistics.h"
#include "viewer/header_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zr::viewer {
namespace {

namespace lg = zr::logging;

constexpr std::int64_t kNominalIntervalMs = 250;
// How many of the places where records were left out get a note of their own.
constexpr std::size_t kSkipNotes = 3;

// "00:00:02.250": a time from the log's start, as the notes give where something is.
std::string elapsedText(double seconds)
{
    const auto ms = static_cast<std::int64_t>(std::llround(seconds * 1000));
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld",
                  static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

// The line of record `record` (from 0): three header lines come first.
std::int64_t lineOf(std::int64_t record)
{
    return record + 4;
}

std::string skippedNote(const lg::SavRecordRange& range, const std::vector<double>& times)
{
    const std::int64_t count = range.end - range.first;
    const auto at = [&](std::int64_t record) {
        return elapsedText(times.at(static_cast<std::size_t>(record)));
    };
    if (count == 1)
        return "1 record (line " + std::to_string(lineOf(range.first)) + ", " + at(range.first) +
               ") does not match the header's columns and is left out.";
    return std::to_string(count) + " records (lines " + std::to_string(lineOf(range.first)) +
           "\u2013" + std::to_string(lineOf(range.end - 1)) + ", " + at(range.first) + "\u2013" +
           at(range.end - 1) + ") do not match the header's columns and are left out.";
}

std::vector<std::string> skippedNotes(const std::vector<lg::SavRecordRange>& skipped,
                                      const std::vector<double>& times)
{
    std::vector<std::string> notes;
    for (std::size_t i = 0; i < std::min(skipped.size(), kSkipNotes); ++i)
        notes.push_back(skippedNote(skipped[i], times));
    if (skipped.size() > kSkipNotes) {
        std::int64_t more = 0;
        for (std::size_t i = kSkipNotes; i < skipped.size(); ++i)
            more += skipped[i].end - skipped[i].first;
        notes.push_back(std::to_string(more) + " more records in " +
                        std::to_string(skipped.size() - kSkipNotes) + " later places, from line " +
                        std::to_string(lineOf(skipped[kSkipNotes].first)) +
                        ", do not match the header's columns and are left out.");
    }
    return notes;
}

struct ReadLog {
    lg::SavLog log;
    std::optional<lg::EventsLog> events;
};

// The log and, when it is the log's own and borne out by the log, its events file. Nothing when
// cancelled.
std::optional<ReadLog> readLog(const std::string& path, const std::function<bool(double)>& report)
{
    const std::string text = lg::readLogText(path);
    if (!report(0))
        return std::nullopt;
    std::optional<lg::EventsLog> events;
    try {
        events = lg::readEvents(lg::readLogText(path + ".events"), text);
    } catch (const lg::SavFileError&) {
        // No events file, or none to read: the log stands on its own.
    }
    lg::SavReading how;
    how.mode = lg::SavMode::Partial;
    how.progress = report;
    if (events) {
        how.shapes = &events->shapes;
        try {
            std::optional<lg::SavLog> log = lg::readSavWith(text, how, path);
            if (!log)
                return std::nullopt;
            lg::dropPast(*events, log->records);
            return ReadLog{std::move(*log), std::move(events)};
        } catch (const lg::SavFormatError&) {
            // Options lines the log does not bear out: the log is read by its own header alone.
            events.reset();
        }
    }
    how.shapes = nullptr;
    how.skipOtherShapes = true;
    std::optional<lg::SavLog> log = lg::readSavWith(text, how, path);
    if (!log)
        return std::nullopt;
    return ReadLog{std::move(*log), std::nullopt};
}

} // namespace

std::optional<LoadedLog> loadLog(const std::string& path, const LoadProgress& progress)
{
    // Reading and parsing the text is most of the work; building the traces the rest.
    constexpr double kReadShare = 0.7;
    const auto report = [&](double done) { return !progress || progress(done); };
    std::optional<ReadLog> read =
        readLog(path, [&](double done) { return report(kReadShare * done); });
    if (!read)
        return std::nullopt;
    const lg::SavLog& log = read->log;

    LoadedLog loaded;
    loaded.path = path;
    loaded.chip = log.chip;
    loaded.records = log.records;
    loaded.hasEvents = read->events.has_value();
    loaded.problem = log.problem;
    std::int64_t intervalMs = kNominalIntervalMs;
    std::vector<double> times; // seconds from the start, one per record
    std::optional<std::int64_t> start;
    if (read->events && (start = lg::isoMilliseconds(read->events->time))) {
        loaded.timing = RecordTiming::Anchored;
        times = lg::anchoredRecordTimes(*read->events, log.records);
        if (read->events->intervalMs > 0)
            intervalMs = read->events->intervalMs;
        loaded.notes.push_back("Times from the events file.");
    } else {
        times = lg::nominalRecordTimes(log.records);
        start = headerStartMs(log.date, log.time);
        if (start)
            loaded.notes.push_back("Times from the start time in the header, 250 ms per record.");
        else
            loaded.notes.push_back("The start time in the header ('" + log.date + " " + log.time +
                                   "') cannot be read: times count from 1 January 1970 (UTC), "
                                   "250 ms per record.");
    }
    loaded.startMs = start.value_or(0);
    if (log.problem)
        loaded.notes.push_back("Reading stopped at line " + std::to_string(log.problem->line) +
                               ": " + log.problem->reason + ".");
    for (const lg::SavRecordRange& range : log.skipped)
        loaded.skipped.push_back({range.first, range.end});
    for (std::string& note : skippedNotes(log.skipped, times))
        loaded.notes.push_back(std::move(note));
    if (!read->events)
        loaded.notes.push_back("Without its events file, a change between two option sets with "
                               "the same number of columns cannot be seen.");

    std::vector<std::int64_t> recordMs(times.size());
    for (std::size_t r = 0; r < times.size(); ++r)
        recordMs[r] = loaded.startMs + std::llround(times[r] * 1000);
    for (std::size_t c = 0; c < log.columns.size(); ++c) {
        const lg::SavColumn& column = log.columns[c];
        auto samples = std::make_unique<chart::TraceStore>();
        // One record missing (left out, not polled, or without this column) breaks the line; a
        // tick that came late, not.
        samples->setGapMs(2 * intervalMs - 1);
        const std::size_t count = column.whole ? column.wholes.size() : column.reals.size();
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t record =
                column.records.empty() ? i : static_cast<std::size_t>(column.records[i]);
            samples->append(recordMs[record],
                            column.whole ? static_cast<double>(column.wholes[i]) : column.reals[i]);
        }
        loaded.columns.push_back({column.name, std::move(samples)});
        if (!report(kReadShare + (1 - kReadShare) * static_cast<double>(c + 1) /
                                     static_cast<double>(log.columns.size())))
            return std::nullopt;
    }
    if (read->events) {
        for (const lg::EventsMarker& marker : read->events->markers) {
            const auto record = static_cast<std::size_t>(marker.record);
            // A marker after the last record comes one interval after it.
            const std::int64_t at = record < recordMs.size() ? recordMs[record]
                                    : recordMs.empty()       ? loaded.startMs
                                                             : recordMs.back() + intervalMs;
            loaded.markers.push_back({at, marker.text, false});
        }
        std::stable_sort(
            loaded.markers.begin(), loaded.markers.end(),
            [](const chart::Marker& a, const chart::Marker& b) { return a.timeMs < b.timeMs; });
    }
    return loaded;
}

} // namespace zr::viewer
