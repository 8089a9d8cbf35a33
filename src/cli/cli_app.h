// SPDX-License-Identifier: MIT
#pragma once

// The tool without its process: arguments in, text out, exit status back. main() hands it the
// real streams and board; tests hand it string streams and a scripted board.

#include "cli/board_session.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zr::cli {

struct CliEnvironment {
    std::string programFolder; // where the firmware file lies
    BoardFactory makeBoard = makeBoardFromOptions;
    bool outputIsTerminal = false;
};

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment);

} // namespace zr::cli
