// SPDX-License-Identifier: MIT
#pragma once

// A wall-clock reading as the windows show it in a sentence ("lost at 10:41:03").

#include <QString>
#include <chrono>

namespace zr {

// The local time of day of `when`, 24-hour, with seconds.
QString timeOfDayText(std::chrono::system_clock::time_point when);

} // namespace zr
