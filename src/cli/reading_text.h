#pragma once

// Readings as the windows show them.

#include "board/device_state.h"

#include <array>
#include <string>

namespace zr::cli {

// "25.25°C": the settings window's temperature text.
std::string temperatureText(float celsius);

struct DibRow {
    const char* caption;
    const char* jsonKey;
    std::int32_t value;
};
// The identifier-block fields from top to bottom as the settings window lists them.
std::array<DibRow, 8> dibRows(const DeviceState& state);

// "0x11D4"
std::string dibValueText(std::int32_t value);

} // namespace zr::cli
