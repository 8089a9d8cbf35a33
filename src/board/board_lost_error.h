// SPDX-License-Identifier: MIT
#pragma once

#include "board/board_library.h"

#include <stdexcept>
#include <string>

namespace zr {

// Raised by an exchange with a board that reports itself lost or not responding, so that no
// stale buffer bytes are decoded as readings and nothing more is sent to it. Whoever drives the
// device (the polling timer, a button handler, the command-line tool) catches it and stops device
// traffic.
class BoardLostError : public std::runtime_error {
public:
    explicit BoardLostError(const std::string& reason, bool notResponding = false)
        : std::runtime_error(message(reason, notResponding)), reason_(reason),
          notResponding_(notResponding)
    {
    }

    // The board's own words ("the board did not answer within 250 ms"); may be empty.
    const std::string& reason() const { return reason_; }
    bool notResponding() const { return notResponding_; }

private:
    static std::string message(const std::string& reason, bool notResponding)
    {
        const std::string head = notResponding ? "The evaluation board is not responding"
                                               : "The evaluation board was lost";
        return reason.empty() ? head + "." : head + ": " + reason;
    }

    std::string reason_;
    bool notResponding_;
};

// The error for a board whose boardLost() is true.
inline BoardLostError boardLostError(const BoardLibrary& board)
{
    return BoardLostError(board.failureReason(), board.boardNotResponding());
}

} // namespace zr
