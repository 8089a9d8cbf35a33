#pragma once

#include "app/command_line.h"
#include "board/board_library.h"

#include <memory>

namespace zr {

// The board the options ask for. Throws std::runtime_error (a bad scenario file) with a message
// for the user.
std::unique_ptr<BoardLibrary> makeBoard(const ProgramOptions& options);

} // namespace zr
