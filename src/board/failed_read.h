#pragma once

// A board read that fails leaves XferBuffer as it was, so the SST routine decodes stale bytes
// (often the request frame itself) as a reading. Whatever keeps readings (a chart, a log file)
// must not keep that: it stops with this error instead, which the polling timer reports.

#include "board/chips.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zr {

class FailedReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `readings` names what was read ("temperatures"); `consequence` what did not happen.
inline void requireSuccessfulRead(std::int16_t result, Chip chip, const char* readings,
                                  const char* consequence)
{
    if (result < 0)
        throw FailedReadError(std::string(chipName(chip)) + ": the " + readings +
                              " could not be read (board result " + std::to_string(result) + "); " +
                              consequence + ".");
}

} // namespace zr
