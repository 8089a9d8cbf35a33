// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/plot_layer.h"

#include "graphs/strip_chart/trace_spans.h"

#include <algorithm>
#include <cstring>

namespace zr::chart {

void PlotLayer::dataChangedFrom(std::int64_t timeMs)
{
    dirtyFromMs_ = std::min(dirtyFromMs_, timeMs);
}

const QImage& PlotLayer::render(const ColumnGrid& grid, const PlotLook& look,
                                const std::vector<PlotTrace>& traces)
{
    lastDrawn_ = 0;
    const bool sameColumns = grid.columnMs == grid_.columnMs && grid.width == grid_.width;
    const std::int64_t moved = grid.firstColumn - grid_.firstColumn;
    const bool redrawAll =
        !valid_ || !(look == look_) || !sameColumns || moved >= grid.width || -moved >= grid.width;
    const std::int64_t dirtyColumn = dirtyFromMs_ == std::numeric_limits<std::int64_t>::max()
                                         ? std::numeric_limits<std::int64_t>::max()
                                         : grid.columnOf(dirtyFromMs_) - look.lineWidth;
    grid_ = grid;
    look_ = look;
    valid_ = true;
    dirtyFromMs_ = std::numeric_limits<std::int64_t>::max();

    if (image_.size() != look.size)
        image_ = QImage(look.size, QImage::Format_RGB32);
    if (image_.isNull() || grid.width <= 0)
        return image_;
    if (redrawAll) {
        draw(grid.firstColumn, grid.lastColumn(), traces);
        return image_;
    }
    if (moved != 0) {
        if (moved > 0)
            draw(grid.lastColumn() - moved + 1, grid.lastColumn(), traces);
        else
            draw(grid.firstColumn, grid.firstColumn - moved - 1, traces);
    }
    if (dirtyColumn <= grid.lastColumn())
        draw(std::max(dirtyColumn, grid.firstColumn), grid.lastColumn(), traces);
    return image_;
}

int PlotLayer::ringX(std::int64_t column) const
{
    const std::int64_t w = std::max(1, image_.width());
    return static_cast<int>(column - floorDiv(column, w) * w);
}

int PlotLayer::ringStart() const
{
    return ringX(grid_.firstColumn);
}

PlotLayer::Pieces PlotLayer::pieces(int from, int to) const
{
    Pieces out;
    const int w = image_.width();
    from = std::max(from, 0);
    to = std::min(to, w);
    if (from >= to)
        return out;
    const int start = ringX(grid_.firstColumn + from);
    const int first = std::min(to - from, w - start);
    out.piece[out.count++] = {start, from, first};
    if (first < to - from)
        out.piece[out.count++] = {0, from + first, to - from - first};
    return out;
}

QImage PlotLayer::straightImage() const
{
    QImage straight(image_.size(), image_.format());
    if (image_.isNull())
        return straight;
    for (const Piece& piece : pieces(0, image_.width()))
        for (int y = 0; y < image_.height(); ++y)
            std::memcpy(reinterpret_cast<QRgb*>(straight.scanLine(y)) + piece.viewX,
                        reinterpret_cast<const QRgb*>(image_.constScanLine(y)) + piece.imageX,
                        static_cast<std::size_t>(piece.count) * sizeof(QRgb));
    return straight;
}

void PlotLayer::draw(std::int64_t lo, std::int64_t hi, const std::vector<PlotTrace>& traces)
{
    lo = std::max(lo, grid_.firstColumn);
    hi = std::min(hi, grid_.lastColumn());
    if (lo > hi)
        return;
    lastDrawn_ += hi - lo + 1;
    const int x0 = static_cast<int>(lo - grid_.firstColumn);
    const int x1 = static_cast<int>(hi - grid_.firstColumn);
    const int height = image_.height();
    // xa..xb are view columns; view column x lies at image column (base + x) mod width.
    uchar* const bits = image_.bits();
    const qsizetype bytesPerLine = image_.bytesPerLine();
    const int width = image_.width();
    const int base = ringStart();
    auto fill = [&](int xa, int xb, std::int64_t ya, std::int64_t yb, QRgb colour) {
        xa = std::max(xa, x0);
        xb = std::min(xb, x1);
        if (xa > xb)
            return;
        const int top = static_cast<int>(std::max<std::int64_t>(ya, 0));
        const int bottom = static_cast<int>(std::min<std::int64_t>(yb, height - 1));
        int start = base + xa;
        if (start >= width)
            start -= width;
        const int count = xb - xa + 1;
        const int first = std::min(count, width - start);
        for (int y = top; y <= bottom; ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * bytesPerLine);
            std::fill(row + start, row + start + first, colour);
            std::fill(row, row + (count - first), colour);
        }
    };

    fill(x0, x1, 0, height - 1, look_.background);
    const ValueMap rows(look_.topValue, look_.bottomValue, height);
    for (double v : look_.valueGrid) {
        const std::int64_t r = rows.row(static_cast<float>(v));
        fill(x0, x1, r, r, look_.gridColour);
    }
    for (std::int64_t t : timeTicks(look_.timeGrid, grid_.startOf(lo), grid_.startOf(hi + 1) - 1)) {
        const int x = static_cast<int>(grid_.columnOf(t) - grid_.firstColumn);
        fill(x, x, 0, height - 1, look_.gridColour);
    }

    // A wide line paints each run of pixels widened by lineWidth - 1, mostly to the left and up.
    const int w = look_.lineWidth;
    const int before = (w - 1) / 2, after = w / 2;
    const int mark = offScaleMarkRows(w);
    summaries_.resize(traces.size());
    for (std::size_t k = 0; k < traces.size(); ++k) {
        const PlotTrace& trace = traces[k];
        // The view's columns and the few beyond its edges that wide lines reach into.
        summaries_[k].prepare(*trace.store, grid_, grid_.width + 2 * w + 2);
        decimatedSpans(
            *trace.store, grid_, rows, lo - w, hi + w,
            [&](std::int64_t column, std::int64_t top, std::int64_t bottom) {
                // Dashes sit on absolute columns, so that they scroll with the line.
                if (trace.dashed && floorDiv(column, kDashColumns) % 2 != 0)
                    return;
                const int x = static_cast<int>(column - grid_.firstColumn);
                fill(x - before, x + after, top - before, bottom + after, trace.colour);
                if (top - before < 0)
                    fill(x - before, x + after, 0, mark - 1, trace.colour);
                if (bottom + after > height - 1)
                    fill(x - before, x + after, height - mark, height - 1, trace.colour);
            },
            &summaries_[k]);
    }
}

} // namespace zr::chart
