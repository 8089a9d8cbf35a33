// SPDX-License-Identifier: MIT
#pragma once

// What a trace puts into each plot column, kept between drawings: which samples fall in the
// column, their extremes and their first and last values. A column that ends before the trace's
// newest sample never changes again (samples only arrive in time order), so drawing the same
// columns again, for a new vertical range, palette or size of the value axis, reads one summary
// per column instead of searching the history: the cost no longer grows with the history.
// The summaries hold absolute columns in a ring as wide as the view (plus the few columns drawn
// beyond its edges), so that a scrolled view keeps those it still shows.

#include "graphs/strip_chart/plot_geometry.h"
#include "graphs/strip_chart/trace_store.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace zr::chart {

struct ColumnSummary {
    static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min();
    std::int64_t column = kNone;
    std::size_t first = 0; // samples [first, end) fall in the column
    std::size_t end = 0;
    std::int64_t nextColumn = 0; // column of sample `end`, when there is one
    MinMax extremes{};           // of [first, end), unless split
    float firstValue = 0;
    float lastValue = 0;
    bool gapBeforeFirst = false; // no line joins the column to the samples before it
    bool split = false;          // readings are missing inside the column: drawn piece by piece
};

class ColumnSummaries {
public:
    // The summary of `column`, whose first sample is `first`; worked out, and kept when the
    // column is complete, unless already known.
    const ColumnSummary& get(const TraceStore& store, const ColumnGrid& grid, std::int64_t column,
                             std::size_t first);
    // Forgets everything kept unless it still holds for this trace, column size and ring width.
    void prepare(const TraceStore& store, const ColumnGrid& grid, int ringWidth);

private:
    const TraceStore* store_ = nullptr;
    std::uint64_t storeRevision_ = 0;
    std::int64_t columnMs_ = 0;
    std::vector<ColumnSummary> ring_;
    ColumnSummary scratch_; // an incomplete column, worked out each time
};

} // namespace zr::chart
