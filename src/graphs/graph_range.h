// SPDX-License-Identifier: MIT
#pragma once

// Automatic vertical range of the graph windows: each end of the axis stays put while it lies
// within `slack` beyond the extreme reading (and strictly beyond it), and otherwise jumps to
// `margin` beyond it. Readings are compared as whole numbers, halves rounded to even.

#include "graphs/strip_chart_control.h"

#include <cstdint>

namespace zr {

struct RangeRule {
    int margin;
    int slack;
};

inline constexpr RangeRule kTemperatureRangeRule{10, 20};
inline constexpr RangeRule kVoltageRangeRule{4, 8};

// A reading as a 16-bit whole number, halves to the even neighbour (22.5 -> 22, 23.5 -> 24).
// A reading outside the 16-bit range is refused with std::out_of_range.
std::int16_t wholeReading(double reading);

// Moves the axis ends of `chart` around the whole-number extremes low and high.
void moveRangeAround(StripChartControl& chart, std::int16_t low, std::int16_t high, RangeRule rule);

} // namespace zr
