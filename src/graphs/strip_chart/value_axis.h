// SPDX-License-Identifier: MIT
#pragma once

// The value axis: round tick values (1, 2 or 5 times a power of ten) and their label texts.

#include <string>
#include <vector>

namespace zr::chart {

struct ValueTicks {
    double step = 1;
    std::vector<double> values;
};

// At most about maxTicks ticks between the two ends (in either order).
ValueTicks valueTicks(double end1, double end2, int maxTicks);

// A tick value with as many decimals as the step needs, "." as the point: "-300", "2.5".
std::string valueLabel(double value, double step);

} // namespace zr::chart
