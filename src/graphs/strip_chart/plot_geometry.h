// SPDX-License-Identifier: MIT
#pragma once

// Where samples land on the plot. Time is cut into columns of a whole number of milliseconds,
// one per device pixel, counted from the epoch: a column always covers the same time whatever
// the view, so a scrolled view reuses every column it already drew. Values map to pixel rows.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zr::chart {

inline std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Rows at the plot's top or bottom edge marked in a trace's colour wherever the trace runs
// beyond that edge, so that readings outside a fixed range do not just vanish.
inline int offScaleMarkRows(int lineWidth)
{
    return 3 * lineWidth;
}

struct ColumnGrid {
    std::int64_t columnMs = 1;    // time per column, at least 1 ms
    std::int64_t firstColumn = 0; // absolute column shown at x = 0
    int width = 0;                // columns shown

    std::int64_t columnOf(std::int64_t timeMs) const { return floorDiv(timeMs, columnMs); }
    std::int64_t startOf(std::int64_t column) const { return column * columnMs; }
    std::int64_t lastColumn() const { return firstColumn + width - 1; }
    std::int64_t startMs() const { return startOf(firstColumn); }
    std::int64_t endMs() const { return startOf(firstColumn + width); }
    bool operator==(const ColumnGrid&) const = default;
};

// Values to pixel rows: `top` on row 0, `bottom` on row height - 1. Rows far outside the plot
// are clamped, so that a wild value cannot overflow the line arithmetic.
class ValueMap {
public:
    static constexpr std::int64_t kRowLimit = std::int64_t{1} << 20;

    ValueMap(double top, double bottom, int height) : top_(top), height_(height)
    {
        if (top == bottom) {
            top_ = top + 0.5;
            bottom = top - 0.5;
        }
        scale_ = (height - 1) / (top_ - bottom);
    }
    std::int64_t row(float value) const
    {
        const double r = std::floor((top_ - value) * scale_ + 0.5);
        return static_cast<std::int64_t>(
            std::clamp(r, double(-kRowLimit), double(height_ + kRowLimit)));
    }
    int height() const { return height_; }

private:
    double top_;
    double scale_;
    int height_;
};

} // namespace zr::chart
