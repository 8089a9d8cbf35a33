// SPDX-License-Identifier: MIT
#include "cli/arguments.h"

#include "cli/exit_status.h"

#include <set>

namespace zr::cli {
namespace {

bool isBoardOption(const std::string& name)
{
    return name == "--board" || name == "--scenario" || name == "--usb-ids" ||
           name == "--usb-timeout" || name == "--device";
}

} // namespace

std::optional<std::string> Invocation::value(const std::string& name) const
{
    const auto it = options.find(name);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

const std::vector<OptionInfo>& commandOptions()
{
    static const std::vector<OptionInfo> all = {
        {"--set", "N", "write N (whole degrees, decimal) as the external offset"},
        {"--write", "N", "SST write length, decimal, 0 to 255 (missing: 0)"},
        {"--read", "N", "SST read length, decimal, 0 to 62 (missing: 0)"},
        {"--dec", nullptr, "print the reply bytes in decimal"},
        {"--hex", nullptr, "print the reply bytes in hexadecimal (the default)"},
        {"--columns", "LIST",
         "comma-separated columns: internal,external,offset,12v,5v,vcc,2.5v,vccp"},
        {"--interval", "MS",
         "milliseconds between readings, 1 to 86400000 (default 250; serve: 1000)"},
        {"--listen", "ADDRESS:PORT",
         "serve: where to answer scrapes: 127.0.0.1:9410, localhost:9410, [::1]:9410, or "
         ":9410 for every interface"},
        {"--count", "N", "stop after N records (log), refreshes (watch) or runs (bench)"},
        {"--duration", "SECONDS", "stop after this many seconds, 0.001 to 31622400"},
        {"--from", "T", "the span's start, in seconds from the start of the log"},
        {"--to", "T", "the span's end, in seconds from the start of the log"},
        {"--column", "NAME", "only this column, as the log's header names it"},
        {"--partial", nullptr, "read a cut-off or damaged log as far as it is whole"},
        {"--keep-going", nullptr, "exit with 0 even when readings failed and left gaps"},
        {"--alarms", "FILE", "evaluate the alarm rules of FILE (JSON; see docs/alarms.md)"},
        {"--exit-on-alarm", nullptr, "end with exit status 6 when an alarm fires"},
    };
    return all;
}

const OptionInfo* findCommandOption(const std::string& name)
{
    for (const OptionInfo& o : commandOptions())
        if (name == o.name)
            return &o;
    return nullptr;
}

Invocation parseArguments(const std::vector<std::string>& args)
{
    Invocation inv;
    bool onlyPositionals = false;
    // Every option once: with "--board usb --board sim" one of the two is a mistake, and taking
    // the last would hide it. "-h" is "--help".
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool looksLikeOption = arg.size() > 1 && arg[0] == '-' && !onlyPositionals;
        if (!looksLikeOption) {
            if (inv.command.empty())
                inv.command = arg;
            else
                inv.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositionals = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        std::optional<std::string> inlineValue;
        if (eq != std::string::npos)
            inlineValue = arg.substr(eq + 1);

        auto takeValue = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw usageError(name + " needs a value");
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue)
                throw usageError(name + " takes no value");
        };
        if (!given.insert(name == "-h" ? "--help" : name).second)
            throw usageError(name + " is given twice");

        if (name == "--json") {
            noValue();
            inv.json = true;
        } else if (name == "--help" || name == "-h") {
            noValue();
            inv.help = true;
        } else if (name == "--version") {
            noValue();
            inv.version = true;
        } else if (isBoardOption(name)) {
            inv.boardArguments.push_back(name + "=" + takeValue());
        } else if (const OptionInfo* option = findCommandOption(name)) {
            if (option->valueName) {
                inv.options[name] = takeValue();
            } else {
                noValue();
                inv.options[name] = "";
            }
        } else {
            throw usageError("unknown option '" + arg + "'");
        }
    }
    return inv;
}

} // namespace zr::cli
