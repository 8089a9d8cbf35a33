// SPDX-License-Identifier: MIT
#pragma once

// A board read that fails leaves XferBuffer as it was, so the SST routine decodes stale bytes
// (often the request frame itself) as a reading. Whatever keeps readings (a chart, a log file)
// must not keep that: it stops with this error instead, which the polling timer reports.

#include "board/board_library.h"
#include "board/chips.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zr {

class FailedReadError : public std::runtime_error {
public:
    FailedReadError(const std::string& message, std::string reason = {})
        : std::runtime_error(message), reason_(std::move(reason))
    {
    }
    // The board's own words for the failure ("the board refused the request (stall)"); may be
    // empty when the board gave none.
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// `readings` names what was read ("temperatures"); `consequence` what did not happen; `reason`
// the board's words, taken right after the read (its result alone when empty).
inline void requireSuccessfulRead(std::int16_t result, Chip chip, const char* readings,
                                  const char* consequence, const std::string& reason)
{
    if (result >= 0)
        return;
    const std::string why =
        reason.empty() ? " (board result " + std::to_string(result) + ")" : ": " + reason;
    throw FailedReadError(std::string(chipName(chip)) + ": the " + readings + " could not be read" +
                              why + "; " + consequence + ".",
                          reason);
}

// As above, with the reason the board gives now, right after the read it failed.
inline void requireSuccessfulRead(std::int16_t result, const BoardLibrary& board, Chip chip,
                                  const char* readings, const char* consequence)
{
    if (result < 0)
        requireSuccessfulRead(result, chip, readings, consequence, board.failureReason());
}

} // namespace zr
