// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/value_axis.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zr::chart {

ValueTicks valueTicks(double end1, double end2, int maxTicks)
{
    ValueTicks ticks;
    const double lo = std::min(end1, end2), hi = std::max(end1, end2);
    if (!(hi > lo) || !std::isfinite(hi - lo) || maxTicks < 1)
        return ticks;
    const double raw = (hi - lo) / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    ticks.step = step;
    for (double k = std::ceil(lo / step); k * step <= hi; k += 1)
        ticks.values.push_back(k * step);
    return ticks;
}

std::string valueLabel(double value, double step)
{
    // to_chars, not printf: the C library's locale may use a decimal comma.
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::fixed, std::clamp(decimals, 0, 12));
    std::string text(buffer, written.ec == std::errc() ? written.ptr : buffer);
    if (text.find_first_not_of("-0.") == std::string::npos && !text.empty() && text[0] == '-')
        text.erase(0, 1); // no "-0"
    return text;
}

} // namespace zr::chart
