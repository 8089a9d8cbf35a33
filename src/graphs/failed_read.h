#pragma once

// A board read that fails leaves XferBuffer as it was, so the SST routine decodes stale bytes
// (often the request frame itself) as a reading. A graph must not plot that: the update stops
// with an error instead, which the polling timer reports.

#include "board/device_state.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zr {

inline void requireSuccessfulRead(std::int16_t result, Chip chip, const char* readings)
{
    if (result < 0)
        throw std::runtime_error(std::string(chipName(chip)) + ": the " + readings +
                                 " could not be read (board result " + std::to_string(result) +
                                 "); nothing was plotted.");
}

} // namespace zr
