// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"

#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "version.h"

#include <ostream>

namespace zr::cli {
namespace {

int dispatch(const Invocation& inv, std::ostream& out, std::ostream& err,
             const CliEnvironment& environment)
{
    if (inv.version) {
        // "--version frob" is a typing mistake, not a question about the version.
        if (!inv.command.empty())
            throw usageError("--version takes no command or argument: '" + inv.command + "'");
        out << kToolName << " " << version::text << "\n";
        return kExitOk;
    }
    if (inv.command.empty()) {
        if (inv.help) {
            out << toolHelp();
            return kExitOk;
        }
        throw usageError("no command given");
    }
    const CommandInfo* command = findCommand(inv.command);
    if (!command)
        throw usageError("unknown command '" + inv.command + "'");
    if (inv.help) {
        out << commandHelp(*command);
        return kExitOk;
    }
    checkInvocation(inv, *command);
    checkBoardOptions(inv);

    CommandContext ctx{inv,
                       out,
                       err,
                       environment.outputIsTerminal,
                       [&inv, &environment] {
                           auto session =
                               std::make_unique<BoardSession>(environment.makeBoard(inv));
                           session->start(environment.programFolder);
                           return session;
                       },
                       [&inv, &environment] { return environment.makeBoard(inv); },
                       environment.programFolder};
    return command->run(ctx);
}

} // namespace

namespace {

const char* faultOf(ExitStatus status)
{
    switch (status) {
    case kExitUsage:
        return "usage";
    case kExitChipMissing:
        return "chip";
    case kExitIoError:
        return "file";
    default:
        return "board";
    }
}

// Known before the arguments are parsed, so that a refused argument is reported in JSON too.
bool jsonWanted(const std::vector<std::string>& args)
{
    for (const std::string& a : args) {
        if (a == "--")
            return false;
        if (a == "--json")
            return true;
    }
    return false;
}

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment)
{
    const bool json = jsonWanted(args);
    try {
        return dispatch(parseArguments(args), out, err, environment);
    } catch (const CliError& e) {
        out.flush();
        printFailure(err, json, {e.what(), faultOf(e.status()), e.reason(), e.status()});
        if (e.status() == kExitUsage && !json)
            err << "Try '" << kToolName << " --help'.\n";
        return e.status();
    } catch (const BoardLostError& e) {
        out.flush();
        printFailure(err, json, {e.what(), "board", e.reason(), kExitBoardMissing});
        return kExitBoardMissing;
    } catch (const FailedReadError& e) {
        out.flush();
        printFailure(err, json, {e.what(), "board", e.reason(), kExitBoardMissing});
        return kExitBoardMissing;
    }
}

} // namespace zr::cli
