// SPDX-License-Identifier: MIT
#pragma once

// The plot area as an image, one column per device pixel, kept between repaints. Columns are
// fixed to absolute time and the image is a ring: absolute column c always sits at image column
// c mod width, so scrolling moves no pixels, it only draws the uncovered columns; new samples
// redraw only the columns from the trace's previous sample on. A repaint thus costs the same
// whether the history holds a minute or a day.

#include "graphs/strip_chart/column_summaries.h"
#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/time_axis.h"
#include "graphs/strip_chart/trace_store.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace zr::chart {

struct PlotTrace {
    const TraceStore* store;
    QRgb colour;
    bool dashed = false; // drawn in dashes of kDashColumns with gaps as long between them
};

inline constexpr int kDashColumns = 6;

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

    // Brings the ring image up to date for the given view and returns it.
    const QImage& render(const ColumnGrid& grid, const PlotLook& look,
                         const std::vector<PlotTrace>& traces);

    // The ring as drawn: the view's first column sits at image column ringStart().
    const QImage& image() const { return image_; }
    int ringStart() const;
    // The view as a plain picture, first column on the left.
    QImage straightImage() const;
    // Where the view's columns [from, to) lie in the ring: one or two image column ranges, as
    // pairs of (image column, view column, count).
    struct Piece {
        int imageX;
        int viewX;
        int count;
    };
    struct Pieces {
        std::array<Piece, 2> piece{};
        int count = 0;
        const Piece* begin() const { return piece.data(); }
        const Piece* end() const { return piece.data() + count; }
    };
    Pieces pieces(int from, int to) const;

    // Columns drawn by the last render (a full drawing draws every column).
    std::int64_t lastDrawnColumns() const { return lastDrawn_; }

private:
    void draw(std::int64_t lo, std::int64_t hi, const std::vector<PlotTrace>& traces);
    int ringX(std::int64_t column) const;

    QImage image_;
    std::vector<ColumnSummaries> summaries_; // by trace
    ColumnGrid grid_;
    PlotLook look_;
    bool valid_ = false;
    std::int64_t dirtyFromMs_ = std::numeric_limits<std::int64_t>::max();
    std::int64_t lastDrawn_ = 0;
};

} // namespace zr::chart
