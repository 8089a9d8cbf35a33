// SPDX-License-Identifier: MIT
#pragma once

// Which part of the time axis the plot shows. By default the view follows the newest sample: its
// right edge is the column of the newest sample and it scrolls as samples arrive. Scrolling or
// dragging back pauses following; the view then stays put while samples keep arriving, until the
// user follows again or scrolls forward onto the newest sample.

#include "graphs/strip_chart/plot_geometry.h"

#include <cstdint>

namespace zr::chart {

class TimeView {
public:
    static constexpr std::int64_t kDefaultSpanMs = 2 * 60 * 1000;
    static constexpr std::int64_t kMinSpanMs = 2 * 1000;
    static constexpr std::int64_t kMaxSpanMs = std::int64_t{400} * 24 * 60 * 60 * 1000;

    // Plot width in device pixels, one column each.
    void setWidth(int columns);
    int width() const { return width_; }

    // The visible span; the column duration is the span per pixel, at least 1 ms.
    void setSpanMs(std::int64_t spanMs);
    std::int64_t spanMs() const { return spanMs_; }
    std::int64_t columnMs() const;

    bool following() const { return following_; }
    void follow() { following_ = true; }

    // The columns shown, for a history from oldestMs to newestMs (both now when it is empty).
    ColumnGrid grid(std::int64_t newestMs) const;

    // Moves the view by whole columns (positive: later). It stays within the history and
    // follows again once it reaches the newest sample.
    void pan(std::int64_t columns, std::int64_t oldestMs, std::int64_t newestMs);
    // Multiplies the span by factor, keeping the time under column x in place; a following
    // view keeps following and keeps its right edge on the newest sample.
    void zoom(double factor, int x, std::int64_t oldestMs, std::int64_t newestMs);
    // Shows the whole history (or the default span, if that is longer) and follows.
    void showAll(std::int64_t oldestMs, std::int64_t newestMs);

private:
    void pauseAt(std::int64_t endMs, std::int64_t oldestMs, std::int64_t newestMs);

    int width_ = 1;
    std::int64_t spanMs_ = kDefaultSpanMs;
    bool following_ = true;
    std::int64_t endMs_ = 0; // a time in the rightmost column, while paused
};

} // namespace zr::chart
