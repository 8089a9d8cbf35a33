#pragma once

// The reads behind one record: what a save-data window asks of its chip on every tick, whether or
// not a log is open, and what the command-line tool's log and watch ask.

#include "board/board_library.h"
#include "board/device_state.h"
#include "logging/log_format.h"

namespace zr::logging {

// Points CurrentAddress at the chip, reads its temperatures and external offset and, on a
// ZR410B, its rails; returns the readings as the shared state then holds them.
Readings takeReadings(DeviceState& state, BoardLibrary& board, Chip chip);

} // namespace zr::logging
