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
        shift(moved);
        if (moved > 0)
            draw(grid.lastColumn() - moved + 1, grid.lastColumn(), traces);
        else
            draw(grid.firstColumn, grid.firstColumn - moved - 1, traces);
    }
    if (dirtyColumn <= grid.lastColumn())
        draw(std::max(dirtyColumn, grid.firstColumn), grid.lastColumn(), traces);
    return image_;
}

void PlotLayer::shift(std::int64_t columns)
{
    const int width = image_.width();
    const int count = width - static_cast<int>(std::abs(columns));
    for (int y = 0; y < image_.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        if (columns > 0)
            std::memmove(row, row + columns, count * sizeof(QRgb));
        else
            std::memmove(row - columns, row, count * sizeof(QRgb));
    }
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
    auto fill = [&](int xa, int xb, std::int64_t ya, std::int64_t yb, QRgb colour) {
        xa = std::max(xa, x0);
        xb = std::min(xb, x1);
        if (xa > xb)
            return;
        const int top = static_cast<int>(std::max<std::int64_t>(ya, 0));
        const int bottom = static_cast<int>(std::min<std::int64_t>(yb, height - 1));
        for (int y = top; y <= bottom; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
            std::fill(row + xa, row + xb + 1, colour);
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
    for (const PlotTrace& trace : traces) {
        decimatedSpans(*trace.store, grid_, rows, lo - w, hi + w,
                       [&](std::int64_t column, std::int64_t top, std::int64_t bottom) {
                           const int x = static_cast<int>(column - grid_.firstColumn);
                           fill(x - before, x + after, top - before, bottom + after, trace.colour);
                       });
    }
}

} // namespace zr::chart
