// SPDX-License-Identifier: MIT
#pragma once

#include "app/command_line.h"
#include "board/board_library.h"

#include <memory>
#include <string>

namespace zr {

// The board the options ask for. Throws std::runtime_error (a bad scenario file) with a message
// for the user.
std::unique_ptr<BoardLibrary> makeBoard(const ProgramOptions& options);

// The board's name for the user and for exported readings: the USB port path of the board in
// use ("1-4.2"; empty before the firmware load chose one), or "sim" for the simulated board.
std::string boardLabel(const BoardLibrary& board);

} // namespace zr
