#pragma once

// The plot area as an image, one column per device pixel, kept between repaints. Columns are
// fixed to absolute time, so when the view scrolls the image is shifted and only the uncovered
// columns are drawn; new samples redraw only the columns from the trace's previous sample on.
// A repaint thus costs the same whether the history holds a minute or a day.

#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/time_axis.h"
#include "graphs/strip_chart/trace_store.h"

#include <QImage>
#include <cstdint>
#include <limits>
#include <vector>

namespace zr::chart {

struct PlotTrace {
    const TraceStore* store;
    QRgb colour;
};

// Everything besides the data and the scroll position that the pixels depend on; when any of it
// changes, the whole image is drawn again.
struct PlotLook {
    QSize size;             // device pixels
    double topValue = 1;    // value on the first row
    double bottomValue = 0; // value on the last row
    std::vector<double> valueGrid;
    double valueStep = 1;
    TimeStep timeGrid;
    int lineWidth = 1;
    QRgb background = 0xffffffff;
    QRgb gridColour = 0xffd0d0d0;
    bool operator==(const PlotLook&) const = default;
};

class PlotLayer {
public:
    // The samples of every trace from this time on have changed (appended).
    void dataChangedFrom(std::int64_t timeMs);
    void invalidate() { valid_ = false; }

    // Brings the image up to date for the given view and returns it.
    const QImage& render(const ColumnGrid& grid, const PlotLook& look,
                         const std::vector<PlotTrace>& traces);

    const QImage& image() const { return image_; }

    // Columns drawn by the last render (a full drawing draws every column).
    std::int64_t lastDrawnColumns() const { return lastDrawn_; }

private:
    void draw(std::int64_t lo, std::int64_t hi, const std::vector<PlotTrace>& traces);
    void shift(std::int64_t columns);

    QImage image_;
    ColumnGrid grid_;
    PlotLook look_;
    bool valid_ = false;
    std::int64_t dirtyFromMs_ = std::numeric_limits<std::int64_t>::max();
    std::int64_t lastDrawn_ = 0;
};

} // namespace zr::chart
