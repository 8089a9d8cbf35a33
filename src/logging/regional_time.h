// SPDX-License-Identifier: MIT
#pragma once

// The date and time of a log's second line, as the user's regional settings write them.

#include <chrono>
#include <string>

namespace zr::logging {

struct DateTimeText {
    std::string date;
    std::string time;
};

// Local date and time of `when` in the system locale's short formats, in the locale's 8-bit
// encoding. Where the short time format stops at the minutes, the seconds are added with the
// locale's own separator: the start time is the only clock reading a log holds, and its records
// follow it at the polling period.
DateTimeText regionalDateTime(std::chrono::system_clock::time_point when);

} // namespace zr::logging
