// SPDX-License-Identifier: MIT
#pragma once

// The program's command line. Parsed before any window system is touched, so --help and
// --version work without a display.

#include "board/usb/usb_ids.h"

#include <optional>
#include <string>
#include <vector>

namespace zr {

struct ProgramOptions {
    std::string board = "usb";         // "sim" or "usb"
    std::string scenarioFile;          // simulated board only
    std::string alarmsFile;            // the default rules file when empty
    std::optional<usb::UsbIds> usbIds; // USB board only; the board library's own when empty
    std::optional<int> usbTimeoutMs;   // USB board only: how long one transfer may take
    std::string devicePort;            // USB board only: the port path of the board to use
    std::string viewFile;              // a log to view; no board is brought up then
    bool nonInteractive = false;
    bool startupProbe = false;
    bool showHelp = false;
    bool showVersion = false;
    // Qt's own options given (their names, "style", "platform"), left in the arguments for
    // QApplication, which takes them out and applies them as in any Qt program.
    std::vector<std::string> qtOptions;
};

struct ParsedCommandLine {
    std::optional<ProgramOptions> options;
    std::string error; // set when options is empty
};

// The range --usb-timeout accepts, in milliseconds. The program waits that long for a board
// that has stopped answering before it says so, with its windows unresponsive meanwhile.
inline constexpr int kMinUsbTimeoutMs = 10;
inline constexpr int kMaxUsbTimeoutMs = 10000;

// One of the options every Qt program takes, by its name without the dash.
struct QtOption {
    const char* name;
    const char* valueName; // nullptr for an option without a value
    const char* help;
};
extern const std::vector<QtOption> kQtOptions;

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

std::string helpText(const std::string& programName);

} // namespace zr
