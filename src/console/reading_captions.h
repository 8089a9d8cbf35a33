// SPDX-License-Identifier: MIT
#pragma once

// How the settings windows show what they read, without widgets, so that the command-line tool
// prints the same text.

#include "board/device_state.h"

#include <array>
#include <cstdint>
#include <string>

namespace zr::captions {

struct DibField {
    const char* caption;
    std::uint32_t (*value)(const DeviceState&);
};

// The identifier-block fields by lblDIB index.
extern const std::array<DibField, 8> kDibFields;
// The rows on screen, top to bottom: "Silicon Revision ID" stands above "Client Address".
inline constexpr std::array<int, 8> kDibScreenOrder{0, 1, 2, 3, 4, 5, 7, 6};

// "0x" and the hex text: 0x0, 0xA5, 0x11D4.
std::string hex(std::uint32_t value);

// The decimal text and "°C" (UTF-8), with no space between: 25.25°C, .75°C, -.1199951°C.
std::string temperature(float celsius);

} // namespace zr::captions
