// SPDX-License-Identifier: MIT
#pragma once

// How the commands print: plain lines for people, one compact JSON document per line for
// scripts. Numbers in JSON carry the same digits as the text the windows show.

#include "board/chip_readings.h"
#include "board/chips.h"
#include "logging/log_format.h"

#include <QJsonObject>
#include <iosfwd>
#include <optional>
#include <string>

namespace zr::cli {

class BoardSession;

inline constexpr const char* kToolName = "zr410ab-cli";

void printJson(std::ostream& out, const QJsonObject& object);

// What failed, on stderr: "zr410ab-cli: MESSAGE" for people; with --json one JSON object per line,
//   {"error": MESSAGE, "fault": "usage"|"board"|"chip"|"file", "reason": ..., "status": N}
// with the board's own words as "reason" when it gave any, and "status" when the tool ends with
// that exit status (a reading that failed in the middle of a log has none).
struct Failure {
    std::string message;
    const char* fault = "board";
    std::string reason;
    std::optional<int> status;
};
void printFailure(std::ostream& err, bool json, const Failure& failure);

// A single-precision reading as a JSON number with the digits of its decimal text (25.12, not
// 25.1200008392334).
double jsonNumber(float value);

// A reading as its JSON value (a temperature as jsonNumber, the offset as a whole number) and as
// its text (25.12°C, -5).
QJsonValue readingJson(const logging::Readings& readings, ChipReading reading);
std::string readingText(const logging::Readings& readings, ChipReading reading);

// {"chip": "A", "address": 72}: the start of every per-chip JSON document.
QJsonObject chipJson(const BoardSession& session, Chip chip);

// Puts a file name under "file". A name in UTF-8 goes in as it is. Any other name (a file system
// may hold any bytes) cannot be a JSON string: it goes in with \\ for each backslash and \xHH
// for each byte from 80 to FF, and "fileEscaped": true; `printf '%b'` gives the bytes back.
void addFileName(QJsonObject& object, const std::string& path);

// The chip's letter, "A" or "B", as the commands take it.
const char* chipLetter(Chip chip);

// Pads with spaces to `width` characters (not bytes: "°C" is one character wide).
std::string padRight(const std::string& text, std::size_t width);
std::string trimRight(std::string text);

} // namespace zr::cli
