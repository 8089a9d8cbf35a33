// SPDX-License-Identifier: MIT
#include "graphs/graph_range.h"

#include "text/text_rules.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace zr {
namespace {

std::int16_t to16Bit(double value)
{
    if (!(value >= std::numeric_limits<std::int16_t>::min() &&
          value <= std::numeric_limits<std::int16_t>::max()))
        throw std::out_of_range("The graph range cannot reach " + std::to_string(value) + ".");
    return static_cast<std::int16_t>(value);
}

} // namespace

std::int16_t wholeReading(double reading)
{
    return to16Bit(text::roundHalfEven(reading));
}

void moveRangeAround(StripChartControl& chart, std::int16_t low, std::int16_t high, RangeRule rule)
{
    const double axisMin = chart.AxisMin();
    if (axisMin >= low || axisMin + rule.slack < low)
        chart.setAxisMin(to16Bit(low - rule.margin));
    const double axisMax = chart.AxisMax();
    if (axisMax <= high || axisMax - rule.slack > high)
        chart.setAxisMax(to16Bit(high + rule.margin));
}

} // namespace zr
