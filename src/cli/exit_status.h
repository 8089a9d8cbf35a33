// SPDX-License-Identifier: MIT
#pragma once

// What the tool tells a script through its exit status, and the error that carries it.

#include <stdexcept>
#include <string>

namespace zr::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitUsage = 1,        // a bad argument; the message names it
    kExitBoardMissing = 2, // a board fault: no board, no firmware, lost, not responding, or it
                           // failed a request
    kExitChipMissing = 3,  // the scan ran cleanly and did not find the chip asked for
    kExitIoError = 4,      // the log file could not be written
    kExitListenFailed = 5, // serve: the address to listen on cannot be taken
    kExitAlarm = 6,        // watch --exit-on-alarm: an alarm fired
};

class CliError : public std::runtime_error {
public:
    // `reason`: the board's own words for a board fault, when it gave any.
    CliError(ExitStatus status, const std::string& message, std::string reason = {})
        : std::runtime_error(message), status_(status), reason_(std::move(reason))
    {
    }
    ExitStatus status() const { return status_; }
    const std::string& reason() const { return reason_; }

private:
    ExitStatus status_;
    std::string reason_;
};

inline CliError usageError(const std::string& message)
{
    return CliError(kExitUsage, message);
}

} // namespace zr::cli
