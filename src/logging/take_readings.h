// SPDX-License-Identifier: MIT
#pragma once

// The reads behind one record: what a save-data window asks of its chip on every tick, whether or
// not a log is open, and what the command-line tool's log and watch ask.

#include "board/board_library.h"
#include "board/chips.h"
#include "logging/log_format.h"

#include <cstdint>
#include <string>

namespace zr::logging {

struct TakenReadings {
    Readings values;
    // The board's result of each read; negative when it failed and its value is stale bytes.
    std::int16_t temperaturesResult = 0;
    std::int16_t offsetResult = 0;
    std::int16_t voltagesResult = 0; // ZR410B only
    std::string failureReason;       // the board's words for the first read that failed
};

// Points CurrentAddress at the chip, reads its temperatures and external offset and, on a
// ZR410B, its rails; returns the readings as the shared state then holds them.
TakenReadings takeReadings(DeviceState& state, BoardLibrary& board, Chip chip);

// Throws FailedReadError for the first read that failed; `consequence` says what was not done
// ("no record was written").
void requireSuccessfulReads(const TakenReadings& taken, Chip chip, const char* consequence);

} // namespace zr::logging
