// SPDX-License-Identifier: MIT
#pragma once

// Turning a trace into pixels. A line is drawn as one vertical run of pixels per column it
// crosses: a segment from column x1 to x2 covers, in each column, the rows between where the
// ideal line enters and leaves that column (exact integer arithmetic, rounded to the nearest row).
// Each column's run depends only on the segment, never on clipping or on what else is drawn, so any
// column range can be redrawn alone and match a drawing of the whole plot.
//
// The decimated drawing reads only first, last, min and max of each column (M4). Since all
// samples of a column share its x, the polyline through every sample covers exactly the rows
// between the column's extremes plus the segments joining one column's last sample to the next
// column's first; so the result is identical, pixel for pixel, to drawing every sample, at a cost
// that depends on the number of columns, not of samples. Where readings are missing (a gap, see
// TraceStore::gapBefore) the line breaks: a column with a gap inside is drawn as one run per
// stretch of samples between gaps, and no segment joins the samples on either side of a gap.

#include "graphs/strip_chart/column_summaries.h"
#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/trace_store.h"

#include <algorithm>
#include <cstdint>

namespace zr::chart {

struct PlotPoint {
    std::int64_t column;
    std::int64_t row;
};

// Calls sink(column, topRow, bottomRow) for each column of [lo, hi] that the segment a-b crosses.
template <typename Sink>
void rasterizeSegment(PlotPoint a, PlotPoint b, std::int64_t lo, std::int64_t hi, Sink&& sink)
{
    if (a.column > b.column)
        std::swap(a, b);
    if (a.column == b.column) {
        if (a.column >= lo && a.column <= hi)
            sink(a.column, std::min(a.row, b.row), std::max(a.row, b.row));
        return;
    }
    using Wide = __int128;
    const Wide dx = b.column - a.column;
    const Wide dy = b.row - a.row;
    // Row where the line crosses from column c into column c + 1, halves rounded up.
    auto leaving = [&](std::int64_t c) {
        const Wide twice = 2 * dx * a.row + dy * (2 * Wide(c - a.column) + 1) + dx;
        const Wide den = 2 * dx;
        Wide q = twice / den;
        if (twice % den != 0 && twice < 0)
            --q;
        return static_cast<std::int64_t>(q);
    };
    const std::int64_t from = std::max(a.column, lo);
    const std::int64_t to = std::min(b.column, hi);
    for (std::int64_t c = from; c <= to; ++c) {
        const std::int64_t enter = c == a.column ? a.row : leaving(c - 1);
        const std::int64_t leave = c == b.column ? b.row : leaving(c);
        sink(c, std::min(enter, leave), std::max(enter, leave));
    }
}

// Calls sink(column, topRow, bottomRow) with every run of pixels that the line through all
// samples of `store` puts into columns [lo, hi], using per-column extremes only. `summaries`, when
// given, keeps what each complete column holds for the next drawing of the same columns.
template <typename Sink>
void decimatedSpans(const TraceStore& store, const ColumnGrid& grid, const ValueMap& rows,
                    std::int64_t lo, std::int64_t hi, Sink&& sink,
                    ColumnSummaries* summaries = nullptr)
{
    if (store.empty() || lo > hi)
        return;
    ColumnSummaries unkept;
    ColumnSummaries& columns = summaries ? *summaries : unkept;
    const std::size_t first = store.lowerBound(grid.startOf(lo));
    const std::size_t end = store.lowerBound(grid.startOf(hi + 1));
    auto pointAt = [&](std::size_t i) {
        return PlotPoint{grid.columnOf(store.time(i)), rows.row(store.value(i))};
    };

    bool havePrevious = first > 0;
    PlotPoint previous = havePrevious ? pointAt(first - 1) : PlotPoint{};
    std::int64_t column = first < end ? grid.columnOf(store.time(first)) : 0;
    for (std::size_t at = first; at < end;) {
        const ColumnSummary& s = columns.get(store, grid, column, at);
        if (!s.split) {
            const PlotPoint entry{column, rows.row(s.firstValue)};
            if (havePrevious && !s.gapBeforeFirst)
                rasterizeSegment(previous, entry, lo, hi, sink);
            const std::int64_t r1 = rows.row(s.extremes.min), r2 = rows.row(s.extremes.max);
            sink(column, std::min(r1, r2), std::max(r1, r2));
            previous = {column, rows.row(s.lastValue)};
            havePrevious = true;
        } else {
            for (std::size_t piece = at; piece < s.end;) {
                const std::size_t pieceEnd = std::min(s.end, store.nextGapAfter(piece));
                const PlotPoint entry{column, rows.row(store.value(piece))};
                if (havePrevious && !store.gapBefore(piece))
                    rasterizeSegment(previous, entry, lo, hi, sink);
                const MinMax m = store.minMax(piece, pieceEnd);
                const std::int64_t r1 = rows.row(m.min), r2 = rows.row(m.max);
                sink(column, std::min(r1, r2), std::max(r1, r2));
                previous = {column, rows.row(store.value(pieceEnd - 1))};
                havePrevious = true;
                piece = pieceEnd;
            }
        }
        at = s.end;
        column = s.nextColumn; // meaningful while at < end
    }
    if (havePrevious && end < store.size() && !store.gapBefore(end))
        rasterizeSegment(previous, pointAt(end), lo, hi, sink);
}

} // namespace zr::chart
