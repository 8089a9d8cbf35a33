// SPDX-License-Identifier: MIT
#pragma once

// Reading a log file (log_format.h) back: the one reader every front end uses, so that each
// reads a file the same way and to the same values.
//
// Strict: a file that is not exactly what the writer produces is refused, naming the first line
// that is not. Partial: the header and every whole record before the first such line, with the
// reason; a log still being written, or cut off by a crash, reads as far as it is whole. A header
// that is not whole is refused in both modes: without it no record can be read.
//
// Numbers are read to the nearest double of their text, as the text was written from the
// reading; the External Offset column holds whole degrees and is read as whole numbers.

#include "board/chips.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zr::logging {

struct SavColumn {
    std::string name; // as in the header: "Internal", "External Offset", "12V", ...
    bool whole = false;
    std::vector<double> reals;        // unless whole
    std::vector<std::int64_t> wholes; // when whole
    // readSavShaped only: the record (from 0) of each value, for a column some records lack.
    std::vector<std::int64_t> records;
};

// From record `record` (counted from 0) on, the records hold `columns` (named as in the header,
// in its order): where an events file's options line says a log's records change shape.
struct SavShape {
    std::int64_t record = 0;
    std::vector<std::string> columns;
};

struct SavProblem {
    std::int64_t line = 0; // counted from 1
    std::string reason;
};

// Records [first, end), counted from 0 with every record line of the file, that were left out.
struct SavRecordRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

struct SavLog {
    Chip chip = Chip::A;
    std::string date; // line 2's text, as written
    std::string time;
    std::vector<SavColumn> columns;
    std::int64_t records = 0;
    std::optional<SavProblem> problem; // partial mode: the line the reading stopped at
    // SavReading::skipOtherShapes only: the records left out, in order. `records` counts them
    // too, as each still took its place in time; the columns list the records of their values.
    std::vector<SavRecordRange> skipped;
};

enum class SavMode { Strict, Partial };

// A file that is not a log: `line` is where it stops being one.
class SavFormatError : public std::runtime_error {
public:
    SavFormatError(const std::string& path, SavProblem problem);
    const std::string& path() const { return path_; }
    const SavProblem& problem() const { return problem_; }

private:
    std::string path_;
    SavProblem problem_;
};

// A file that cannot be read at all: `error` is the system's errno, or 0 for a file that is not a
// plain file (a folder, a named pipe, a device), which is refused before any of it is read.
class SavFileError : public std::runtime_error {
public:
    SavFileError(const std::string& path, int error, const std::string& reason);
    const std::string& path() const { return path_; }
    int error() const { return error_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    int error_;
    std::string reason_;
};

// The text of a log; `path` only names it in errors. Throws SavFormatError.
SavLog readSav(std::string_view text, SavMode mode, const std::string& path = "");

// A log whose records change shape part-way, with `shapes` in record order: every column any
// record holds, in the writer's order, each with the values of the records that hold it and
// their record numbers. A shape with an unknown column or one out of order is a problem of line 3.
SavLog readSavShaped(std::string_view text, SavMode mode, const std::vector<SavShape>& shapes,
                     const std::string& path = "");

// How readSavWith reads a log.
struct SavReading {
    SavMode mode = SavMode::Strict;
    // As readSavShaped; none means the header's columns throughout.
    const std::vector<SavShape>* shapes = nullptr;
    // A log whose options changed part-way, read without its events file: a record that does not
    // hold line 3's columns but is a whole record of the chip all the same is left out instead of
    // ending the reading. A change between two column sets of the same length cannot be told.
    bool skipOtherShapes = false;
    // Called every few thousand records with the share of the text read; false stops the reading.
    std::function<bool(double done)> progress;
};

// As readSav and readSavShaped; nothing when `progress` stopped it.
std::optional<SavLog> readSavWith(std::string_view text, const SavReading& how,
                                  const std::string& path = "");

// The whole text of the file at `path` (in the system's encoding), refused unless it is a plain
// file. Throws SavFileError.
std::string readLogText(const std::string& path);

// Reads the file at `path` (in the system's encoding). Throws SavFileError or SavFormatError.
SavLog readSavFile(const std::string& path, SavMode mode);

} // namespace zr::logging
