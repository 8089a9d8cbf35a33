// SPDX-License-Identifier: MIT
#pragma once

// A log's start time as its second line holds it: date and time in the regional short formats of
// the machine that wrote it, in its 8-bit encoding (logging/regional_time.h).

#include <cstdint>
#include <optional>
#include <string_view>

namespace zr::viewer {

// Milliseconds since the epoch of the local date and time, read with this system's regional
// short formats first (as the writer on this machine writes them), then the C locale's and
// ISO 8601's; nothing when no format reads it.
std::optional<std::int64_t> headerStartMs(std::string_view date, std::string_view time);

} // namespace zr::viewer
