// SPDX-License-Identifier: MIT
#pragma once

// The command line split into its parts, before any command looks at it: the command name, its
// positional arguments, the board options (handed on to the program's own parser, so that both
// executables choose a board by the same rules) and the command options.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zr::cli {

struct Invocation {
    std::string command; // empty when none was given
    std::vector<std::string> positionals;
    // "--board=sim", "--scenario=FILE", "--usb-ids=U,P", "--device=PORTPATH" as given
    std::vector<std::string> boardArguments;
    bool json = false;
    bool help = false;
    bool version = false;
    std::map<std::string, std::string> options; // command options by name; "" for flags

    bool has(const std::string& name) const { return options.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
};

struct OptionInfo {
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* help;
};

// Every command option the tool knows; which command accepts which is in the command table.
const std::vector<OptionInfo>& commandOptions();
const OptionInfo* findCommandOption(const std::string& name);

// Throws a usage CliError naming the argument that does not fit.
Invocation parseArguments(const std::vector<std::string>& args);

} // namespace zr::cli
