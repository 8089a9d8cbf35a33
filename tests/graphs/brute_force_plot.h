// SPDX-License-Identifier: MIT
#pragma once

// The reference drawing for the decimation tests: the line through every sample, segment by
// segment, painted with the chart's pixel rules (a run of rows per column, widened by the line
// width). No decimation, no caching, no clipping tricks.

#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/trace_spans.h"
#include "graphs/strip_chart/trace_store.h"

#include <QImage>
#include <algorithm>

namespace zr::test {

inline void paintRun(QImage& image, const chart::ColumnGrid& grid, std::int64_t column,
                     std::int64_t top, std::int64_t bottom, int lineWidth, QRgb colour)
{
    const std::int64_t x = column - grid.firstColumn;
    top -= (lineWidth - 1) / 2;
    bottom += lineWidth / 2;
    const int mark = chart::offScaleMarkRows(lineWidth);
    const std::int64_t h = image.height();
    auto paintRows = [&](std::int64_t px, std::int64_t from, std::int64_t to) {
        for (std::int64_t py = std::max<std::int64_t>(0, from); py <= std::min(h - 1, to); ++py)
            image.setPixel(static_cast<int>(px), static_cast<int>(py), colour);
    };
    for (std::int64_t px = x - (lineWidth - 1) / 2; px <= x + lineWidth / 2; ++px) {
        if (px < 0 || px >= image.width())
            continue;
        paintRows(px, top, bottom);
        // The off-scale mark at an edge the run goes beyond.
        if (top < 0)
            paintRows(px, 0, mark - 1);
        if (bottom > h - 1)
            paintRows(px, h - mark, h - 1);
    }
}

// gapMs: no segment joins two samples further apart than this (0: always joined).
inline void paintEverySample(QImage& image, const chart::TraceStore& store,
                             const chart::ColumnGrid& grid, const chart::ValueMap& rows,
                             int lineWidth, QRgb colour, std::int64_t gapMs = 0)
{
    auto sink = [&](std::int64_t column, std::int64_t top, std::int64_t bottom) {
        paintRun(image, grid, column, top, bottom, lineWidth, colour);
    };
    const std::int64_t lo = grid.firstColumn - lineWidth, hi = grid.lastColumn() + lineWidth;
    chart::PlotPoint previous{};
    for (std::size_t i = 0; i < store.size(); ++i) {
        const chart::PlotPoint p{grid.columnOf(store.time(i)), rows.row(store.value(i))};
        const bool joined = i > 0 && (gapMs <= 0 || store.time(i) - store.time(i - 1) <= gapMs);
        chart::rasterizeSegment(joined ? previous : p, p, lo, hi, sink);
        previous = p;
    }
}

} // namespace zr::test
