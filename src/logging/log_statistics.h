// SPDX-License-Identifier: MIT
#pragma once

// The figures of a log's columns over a span of its records: what `zr410ab-cli stats`, the Python
// module and the log viewer report. They all come through here and through the chart's own
// statistics index, over the same single-precision samples the chart keeps, so every front end
// gives the same figures to the last digit, whatever the span.

#include "graphs/strip_chart/span_statistics.h"
#include "logging/events_reader.h"
#include "logging/sav_reader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::logging {

// Seconds from the log's start for each record when nothing but the log is known: the writer
// takes a record every 250 ms, the first 250 ms after the start line's time.
std::vector<double> nominalRecordTimes(std::int64_t records);

// Seconds from the log's start for each record, from its events file: each anchor's time, plus
// the polling interval for every record after it up to the next anchor; exact across skipped
// ticks, failed readings and a slow board, which the nominal times are not.
std::vector<double> anchoredRecordTimes(const EventsLog& events, std::int64_t records);

// A UTC time as ISO 8601 gives it, "2026-12-08T15:41:10.250Z" or with an offset ("+01:00")
// instead of Z, as milliseconds since 1970; nothing for any other text.
std::optional<std::int64_t> isoMilliseconds(std::string_view text);

// Records [first, end).
struct RecordSpan {
    std::size_t first = 0;
    std::size_t end = 0;
};

// The records whose time lies within [from, to]; an end left out is the log's own. `times` is
// in record order and never decreases.
RecordSpan recordSpan(const std::vector<double>& times, std::optional<double> from,
                      std::optional<double> to);

struct ColumnStatistics {
    std::string name;
    std::size_t count = 0;
    // The rest is meaningful only with a count; sd needs two samples and is NaN below that.
    double min = 0;
    double max = 0;
    double mean = 0;
    double sd = 0;      // sample standard deviation
    double pp = 0;      // max - min
    double minTime = 0; // seconds from the log's start, of the first record holding the minimum
    double maxTime = 0;
};

// The figures besides the count, by the names the tool's JSON and Python's stats() give them.
struct FigureField {
    const char* name;
    double ColumnStatistics::*value;
};
inline constexpr FigureField kFigureFields[] = {
    {"min", &ColumnStatistics::min},         {"max", &ColumnStatistics::max},
    {"mean", &ColumnStatistics::mean},       {"sd", &ColumnStatistics::sd},
    {"pp", &ColumnStatistics::pp},           {"minTime", &ColumnStatistics::minTime},
    {"maxTime", &ColumnStatistics::maxTime},
};

// The figures of a span of samples as the statistics index gives them, with the times (seconds
// from the log's start) of the samples holding the extremes: every front end's figures come
// through here, whichever store holds the samples.
ColumnStatistics spanFigures(std::string name, const chart::SpanStatistics& span, double minTime,
                             double maxTime);

// A figure a span can have: none without a count, nor a deviation of one value.
std::optional<double> figureOf(const ColumnStatistics& c, const FigureField& field);

// Every column of `log` (or only `column`, by its header name) over `span`. `times` holds one
// time per record. A column that only some records hold (a log whose options changed, read with
// its events file) counts the values of the records in the span that hold it. Returns nothing for a
// column name the log does not have.
std::optional<std::vector<ColumnStatistics>> logStatistics(const SavLog& log,
                                                           const std::vector<double>& times,
                                                           RecordSpan span,
                                                           const std::string& column = {});

} // namespace zr::logging
