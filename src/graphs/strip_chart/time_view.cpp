// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/time_view.h"

#include <algorithm>
#include <cmath>

namespace zr::chart {

void TimeView::setWidth(int columns)
{
    width_ = std::max(1, columns);
}

void TimeView::setSpanMs(std::int64_t spanMs)
{
    spanMs_ = std::clamp(spanMs, kMinSpanMs, kMaxSpanMs);
}

std::int64_t TimeView::columnMs() const
{
    return std::max<std::int64_t>(1, (spanMs_ + width_ / 2) / width_);
}

ColumnGrid TimeView::grid(std::int64_t newestMs) const
{
    ColumnGrid g;
    g.columnMs = columnMs();
    g.width = width_;
    const std::int64_t last = g.columnOf(following_ ? newestMs : endMs_);
    g.firstColumn = last - width_ + 1;
    return g;
}

void TimeView::pauseAt(std::int64_t endMs, std::int64_t oldestMs, std::int64_t newestMs)
{
    const std::int64_t column = columnMs();
    if (floorDiv(endMs, column) >= floorDiv(newestMs, column)) {
        following_ = true;
        return;
    }
    following_ = false;
    endMs_ = std::max(endMs, std::min(oldestMs, newestMs));
}

void TimeView::pan(std::int64_t columns, std::int64_t oldestMs, std::int64_t newestMs)
{
    const ColumnGrid g = grid(newestMs);
    pauseAt(g.startOf(g.lastColumn() + columns), oldestMs, newestMs);
}

void TimeView::zoom(double factor, int x, std::int64_t oldestMs, std::int64_t newestMs)
{
    const ColumnGrid before = grid(newestMs);
    setSpanMs(static_cast<std::int64_t>(std::llround(static_cast<double>(spanMs_) * factor)));
    if (following_)
        return;
    x = std::clamp(x, 0, width_ - 1);
    const std::int64_t anchorMs = before.startOf(before.firstColumn + x);
    const std::int64_t column = columnMs();
    pauseAt((floorDiv(anchorMs, column) + (width_ - 1 - x)) * column, oldestMs, newestMs);
}

void TimeView::showAll(std::int64_t oldestMs, std::int64_t newestMs)
{
    // Columns long enough that the history fits with room to spare: the newest sample sits in
    // the last column, so the oldest one must be less than width - 1 columns before it.
    const std::int64_t history = std::max<std::int64_t>(0, newestMs - oldestMs);
    const std::int64_t spare = std::max(1, width_ - 1);
    const std::int64_t column = std::max<std::int64_t>(1, (history + spare) / spare);
    setSpanMs(std::max(kDefaultSpanMs, column * width_));
    following_ = true;
}

} // namespace zr::chart
