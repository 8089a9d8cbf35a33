// SPDX-License-Identifier: MIT
#pragma once

// The tool's commands: name, what they take, their help, and the function that runs each.

#include "board/board_library.h"
#include "cli/arguments.h"
#include "cli/exit_status.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zr::cli {

class BoardSession;

// What a command gets to work with. The board is opened on demand, so that a usage error is
// reported before the board is touched.
struct CommandContext {
    const Invocation& invocation;
    std::ostream& out;
    std::ostream& err;
    bool outputIsTerminal; // redraw in place rather than append
    std::function<std::unique_ptr<BoardSession>()> openBoard;
    // The board without its firmware loaded, for a command that brings it up itself (serve).
    std::function<std::unique_ptr<BoardLibrary>()> makeBoard;
    std::string programFolder; // where the firmware file lies
};

struct CommandInfo {
    std::string name;
    std::string synopsis; // the arguments after the name, as the help shows them
    std::string summary;
    std::string details;
    std::vector<std::string> options; // the command options it accepts
    int minPositionals = 0;
    int maxPositionals = 0; // -1: no limit
    std::function<int(CommandContext&)> run;
};

const std::vector<CommandInfo>& commandTable();
const CommandInfo* findCommand(const std::string& name);

// Refuses options the command does not take and a wrong number of positional arguments.
void checkInvocation(const Invocation& invocation, const CommandInfo& command);

std::string toolHelp();
std::string commandHelp(const CommandInfo& command);

// The individual commands, one file each.
int runBoards(CommandContext& ctx);
int runScan(CommandContext& ctx);
int runDib(CommandContext& ctx);
int runTemps(CommandContext& ctx);
int runVolts(CommandContext& ctx);
int runOffset(CommandContext& ctx);
int runPing(CommandContext& ctx);
int runXfer(CommandContext& ctx);
int runLog(CommandContext& ctx);
int runWatch(CommandContext& ctx);
int runBench(CommandContext& ctx);
int runServe(CommandContext& ctx);
int runStats(CommandContext& ctx);

} // namespace zr::cli
