// SPDX-License-Identifier: MIT
#include "cli/command_table.h"

#include "cli/exit_status.h"
#include "cli/help_layout.h"

#include <algorithm>

namespace zr::cli {

const std::vector<CommandInfo>& commandTable()
{
    static const std::vector<CommandInfo> table = {
        {"boards",
         "",
         "list the evaluation boards attached over USB",
         "Prints one line per board: its USB port path (give it to --device), its USB id, whether\n"
         "it waits for its firmware or runs it, and its serial string where it has one. Loads\n"
         "no firmware and claims no board, so it works while other programs use them. Exits\n"
         "with 2 when no board is attached.\n",
         {},
         0,
         0,
         runBoards},
        {"scan",
         "",
         "list the chips that answer at SST addresses 64 to 95",
         "Prints one line per chip found: its kind and its SST address. Exits with 3 when no\n"
         "chip answers.\n",
         {},
         0,
         0,
         runScan},
        {"dib",
         "CHIP",
         "read the chip's Device Identifier Block",
         "Prints each field of the identifier block with its caption, as \"0x\" and hex digits.\n",
         {},
         1,
         1,
         runDib},
        {"temps",
         "CHIP",
         "read the internal and the external temperature",
         "Prints both temperatures in degrees Celsius, for example \"Internal: 25.25°C\".\n",
         {},
         1,
         1,
         runTemps},
        {"volts",
         "",
         "read the five supply rails of chip B",
         "Prints each rail (12V, 5V, Vcc, 2.5V, Vccp) of the ZR410B in volts.\n",
         {},
         0,
         0,
         runVolts},
        {"offset",
         "CHIP [--set N]",
         "read, or write, the external temperature offset",
         "Without --set prints the offset in whole degrees. --set N writes N, a whole decimal\n"
         "number from -512 to 1023; anything else (\"five\", \"\", \"1.5\", \"0x10\") is "
         "refused.\n",
         {"--set"},
         1,
         1,
         runOffset},
        {"ping",
         "CHIP",
         "ping the chip and print the reply's FCS byte",
         "Prints the first reply byte as \"0x\" and hex digits.\n",
         {},
         1,
         1,
         runPing},
        {"xfer",
         "CHIP [--write N] [--read N] [--dec|--hex] BYTE...",
         "send one raw SST transaction",
         "Each BYTE is one or two hexadecimal digits, optionally after 0x (F7, e0, 0x1f); the\n"
         "first is the command byte. Anything else is refused.\n"
         "Only the first four travel in the request frame; at most 61 are accepted. Prints the\n"
         "first reply byte, the N bytes read and the byte after them.\n",
         {"--write", "--read", "--dec", "--hex"},
         1,
         -1,
         runXfer},
        {"log",
         "CHIP FILE [--columns LIST] [--interval MS] [--count N | --duration SECONDS] "
         "[--keep-going]",
         "log readings to a .sav file, as the save-data window does",
         "Writes the save-data window's header and one record per interval (default 250 ms)\n"
         "until --count records are written, --duration has passed, or Ctrl-C. Every record is\n"
         "flushed to the file as it is written. Default columns: internal,external for chip A,\n"
         "and in addition 12v,5v,vcc,2.5v,vccp for chip B. A failed reading leaves no record;\n"
         "then the exit status is 2, and 20 failed readings in a row end the log, unless\n"
         "--keep-going is given.\n",
         {"--columns", "--interval", "--count", "--duration", "--keep-going"},
         2,
         2,
         runLog},
        {"watch",
         "[CHIP] [--interval MS] [--count N] [--alarms FILE [--exit-on-alarm]]",
         "show the readings of one or both chips, refreshed until Ctrl-C",
         "On a terminal the table is redrawn in place; otherwise each refresh adds its rows.\n"
         "With --json each refresh is one line of JSON.\n"
         "--alarms evaluates the rules of FILE on every refresh and prints each alarm that\n"
         "fires or clears as a line before the rows of that refresh (on a terminal, the latest\n"
         "ten under the table); with --json the lines carry \"type\": \"reading\" or\n"
         "\"type\": \"alarm\".\n"
         "--exit-on-alarm ends the watch with 6 at the first alarm that fires.\n",
         {"--interval", "--count", "--alarms", "--exit-on-alarm"},
         0,
         1,
         runWatch},
        {"bench",
         "[--count N]",
         "measure the board's transaction and tick times",
         "Times N (default 200) transactions and N polling ticks of 16 board requests and\n"
         "prints median and 99th percentile, next to the full-speed USB floor.\n",
         {"--count"},
         0,
         0,
         runBench},
        {"stats",
         "FILE [--from T] [--to T] [--column NAME] [--partial]",
         "the statistics of a log's columns, from the file alone",
         "For each column of the .sav log FILE (or only --column NAME, as its header names it):\n"
         "the count, minimum, maximum, mean, sample standard deviation and peak-to-peak of its\n"
         "values, and the times of the first minimum and maximum. --from and --to bound the span\n"
         "in seconds from the start of the log (record N at N times 250 ms). The figures are the\n"
         "ones the program's charts show for the same span. Needs no board. Exits with 4 when\n"
         "the file cannot be read or is not a whole log, naming the line, unless --partial: then\n"
         "it reads as far as the log is whole and says where it stopped.\n",
         {"--from", "--to", "--column", "--partial"},
         1,
         1,
         runStats},
        {"serve",
         "--listen ADDRESS:PORT [--interval MS] [--alarms FILE]",
         "export the readings to Prometheus over HTTP",
         "Polls every chip found (both temperatures, the external offset, the rails of chip B)\n"
         "every interval (default 1000 ms) and answers /metrics with the latest readings in the\n"
         "Prometheus text format, /healthz with 200, and / with a page linking to both. A\n"
         "scrape reads the latest poll, never the board. A failed or stale reading is left\n"
         "out. A lost board shows as zr410ab_board_up 0 and is looked for again after 1 s,\n"
         "then twice as long each time, up to 30 s. Listens only on ADDRESS; :PORT alone\n"
         "listens on every interface. --alarms evaluates the rules of FILE on every poll and\n"
         "exports each as zr410ab_alarm_firing, 1 while it fires. Runs until Ctrl-C or\n"
         "SIGTERM; exits with 5 when ADDRESS:PORT cannot be taken.\n",
         {"--listen", "--interval", "--alarms"},
         0,
         0,
         runServe},
    };
    return table;
}

const CommandInfo* findCommand(const std::string& name)
{
    for (const CommandInfo& c : commandTable())
        if (c.name == name)
            return &c;
    return nullptr;
}

void checkInvocation(const Invocation& inv, const CommandInfo& command)
{
    for (const auto& [name, value] : inv.options) {
        (void)value;
        if (std::find(command.options.begin(), command.options.end(), name) ==
            command.options.end())
            throw usageError(name + " is not an option of '" + command.name + "'");
    }
    const int given = static_cast<int>(inv.positionals.size());
    if (given < command.minPositionals)
        throw usageError("'" + command.name + "' needs " +
                         command.synopsis.substr(0, command.synopsis.find(" [")));
    if (command.maxPositionals >= 0 && given > command.maxPositionals)
        throw usageError("unexpected argument '" + inv.positionals[command.maxPositionals] +
                         "' for '" + command.name + "'");
}

std::string toolHelp()
{
    std::string text = "Usage: zr410ab-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
                       "Reads and logs the ZR410A and ZR410B temperature-sensor chips on their\n"
                       "evaluation board, without a display. CHIP is A (ZR410A) or B (ZR410B).\n\n"
                       "Commands:\n";
    for (const CommandInfo& c : commandTable()) {
        std::string head = "  " + c.name;
        head.resize(10, ' ');
        text += head + c.summary + "\n";
    }
    text += "\nOptions, before or after the command:\n";
    const std::pair<const char*, const char*> options[] = {
        {"--board sim|usb", "the evaluation board over USB (default) or the simulated board"},
        {"--scenario FILE", "fix the simulated board's chips and readings (JSON)"},
        {"--usb-ids UNPROGRAMMED,PROGRAMMED",
         "USB ids (VID:PID) of the board before and after its firmware is loaded"},
        {"--usb-timeout MS", "how long one USB transfer may take before the board counts as "
                             "not responding (10 to 10000, default 250)"},
        {"--device PORTPATH", "the USB port path of the board to use (see 'boards'); needed "
                              "when several boards are attached"},
        {"--json", "machine-readable output"},
        {"-h, --help", "this help, or a command's help after its name"},
        {"--version", "print the version"},
    };
    for (const auto& [name, help] : options)
        text += optionLine(name, help, 27);
    text += "\nExit status: 0 success, 1 usage error, 2 board fault (not found, firmware, lost,\n"
            "not responding, failed read), 3 chip did not answer the scan, 4 log file error\n"
            "(cannot write it; stats: cannot read it, or not a whole log), 5 serve cannot\n"
            "listen on the address, 6 watch --exit-on-alarm saw an alarm fire.\n";
    return text;
}

std::string commandHelp(const CommandInfo& command)
{
    const std::string usage = "Usage: zr410ab-cli " + command.name + " ";
    std::string text = command.synopsis.empty() ? usage.substr(0, usage.size() - 1) + "\n"
                                                : fillLines(usage, command.synopsis, usage.size());
    text += command.summary + ".\n\n" + fillLines("", command.details, 0);
    if (!command.options.empty()) {
        text += "\nOptions:\n";
        for (const std::string& name : command.options) {
            const OptionInfo* o = findCommandOption(name);
            text += optionLine(name + (o->valueName ? std::string(" ") + o->valueName : ""),
                               o->help, 24);
        }
    }
    text += "\n" + fillLines("Also: ",
                             "--board sim|usb, --scenario FILE, --usb-ids U,P, --usb-timeout MS, "
                             "--device PORTPATH, --json (see zr410ab-cli --help).",
                             6);
    return text;
}

} // namespace zr::cli
