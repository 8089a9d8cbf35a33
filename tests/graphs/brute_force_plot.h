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
    for (std::int64_t px = x - (lineWidth - 1) / 2; px <= x + lineWidth / 2; ++px) {
        if (px < 0 || px >= image.width())
            continue;
        for (std::int64_t py = std::max<std::int64_t>(0, top - (lineWidth - 1) / 2);
             py <= std::min<std::int64_t>(image.height() - 1, bottom + lineWidth / 2); ++py)
            image.setPixel(static_cast<int>(px), static_cast<int>(py), colour);
    }
}

inline void paintEverySample(QImage& image, const chart::TraceStore& store,
                             const chart::ColumnGrid& grid, const chart::ValueMap& rows,
                             int lineWidth, QRgb colour)
{
    auto sink = [&](std::int64_t column, std::int64_t top, std::int64_t bottom) {
        paintRun(image, grid, column, top, bottom, lineWidth, colour);
    };
    const std::int64_t lo = grid.firstColumn - lineWidth, hi = grid.lastColumn() + lineWidth;
    chart::PlotPoint previous{};
    for (std::size_t i = 0; i < store.size(); ++i) {
        const chart::PlotPoint p{grid.columnOf(store.time(i)), rows.row(store.value(i))};
        chart::rasterizeSegment(i == 0 ? p : previous, p, lo, hi, sink);
        previous = p;
    }
}

} // namespace zr::test
