// SPDX-License-Identifier: MIT
// The tool's argument parser on any arguments, and a whole run of the tool on the simulated
// board for those that a test rig could type. The input is the argument list, split at NUL bytes.
// Runs that would wait (intervals, durations, long counts) or write outside the working folder are
// parsed but not run.

#include "board/sim/simulated_board.h"
#include "cli/argument_numbers.h"
#include "cli/arguments.h"
#include "cli/cli_app.h"
#include "cli/exit_status.h"
#include "cli/periodic.h"
#include "fuzz_support.h"

#include <QDir>
#include <QTemporaryDir>
#include <sstream>

using namespace zr;

namespace {

bool countAtMost(const cli::Invocation& inv, std::int64_t most)
{
    const auto count = inv.value("--count");
    if (!count)
        return true;
    const auto n = cli::wholeDecimal(*count);
    return n && *n <= most;
}

// Whether the whole run may go ahead; adds a short schedule to the commands that repeat.
bool runnable(const cli::Invocation& inv, std::vector<std::string>& args)
{
    if (inv.command == "log" || inv.command == "watch") {
        if (inv.has("--interval") || inv.has("--duration") || !countAtMost(inv, 3))
            return false;
        if (inv.command == "log" && (inv.positionals.size() < 2 || inv.positionals[1] != "f.sav"))
            return false;
        args.push_back("--interval=1");
        if (!inv.has("--count"))
            args.push_back("--count=2");
    }
    return inv.command != "bench" || (inv.has("--count") && countAtMost(inv, 20));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A log file the tool writes lands in a folder of its own.
    static QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args;
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    if (args.size() > 64)
        return 0;

    cli::Invocation inv;
    try {
        inv = cli::parseArguments(args);
        if (inv.command == "log" || inv.command == "watch")
            cli::scheduleFromOptions(inv);
    } catch (const cli::CliError& refused) {
        fuzz::require(refused.status() == cli::kExitUsage, "a parse refusal is a usage error");
    }
    if (!runnable(inv, args))
        return 0;

    cli::CliEnvironment env;
    env.programFolder = ZR_FUZZ_FIRMWARE_FOLDER;
    env.makeBoard = [](const cli::Invocation& i) -> std::unique_ptr<BoardLibrary> {
        if (cli::checkBoardOptions(i) == "sim")
            return cli::makeBoardFromOptions(i);
        return std::make_unique<sim::SimulatedBoard>(); // never the machine's USB bus
    };
    std::ostringstream out, err;
    const int status = cli::runCli(args, out, err, env);
    fuzz::require(status >= 0 && status <= 5, "a documented exit status");
    // With --json a failure is a JSON error object, otherwise a line naming the tool.
    fuzz::require(status == 0 || err.str().rfind("zr410ab-cli: ", 0) == 0 ||
                      err.str().rfind("{\"error\":", 0) == 0,
                  "a failure says why on stderr");
    return 0;
}
