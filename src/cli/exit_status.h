#pragma once

// What the tool tells a script through its exit status, and the error that carries it.

#include <stdexcept>
#include <string>

namespace zr::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitUsage = 1,        // a bad argument; the message names it
    kExitBoardMissing = 2, // no board, no firmware, or the board was lost
    kExitChipMissing = 3,  // the scan did not find the chip asked for
    kExitIoError = 4,      // the log file could not be written
    kExitListenFailed = 5, // serve: the address to listen on cannot be taken
};

class CliError : public std::runtime_error {
public:
    CliError(ExitStatus status, const std::string& message)
        : std::runtime_error(message), status_(status)
    {
    }
    ExitStatus status() const { return status_; }

private:
    ExitStatus status_;
};

inline CliError usageError(const std::string& message)
{
    return CliError(kExitUsage, message);
}

} // namespace zr::cli
