// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/column_summaries.h"

namespace zr::chart {

void ColumnSummaries::prepare(const TraceStore& store, const ColumnGrid& grid, int ringWidth)
{
    const auto width = static_cast<std::size_t>(std::max(1, ringWidth));
    if (store_ == &store && storeRevision_ == store.revision() && columnMs_ == grid.columnMs &&
        ring_.size() == width)
        return;
    store_ = &store;
    storeRevision_ = store.revision();
    columnMs_ = grid.columnMs;
    ring_.assign(width, ColumnSummary{});
}

const ColumnSummary& ColumnSummaries::get(const TraceStore& store, const ColumnGrid& grid,
                                          std::int64_t column, std::size_t first)
{
    const auto width = static_cast<std::int64_t>(ring_.size());
    ColumnSummary* slot = nullptr;
    if (width > 0) {
        slot = &ring_[static_cast<std::size_t>(column - floorDiv(column, width) * width)];
        if (slot->column == column && slot->first == first)
            return *slot;
    }
    ColumnSummary s;
    s.column = column;
    s.first = first;
    s.end = store.lowerBound(grid.startOf(column + 1));
    s.gapBeforeFirst = store.gapBefore(first);
    s.split = store.nextGapAfter(first) < s.end;
    if (!s.split)
        s.extremes = store.minMax(first, s.end);
    s.firstValue = store.value(first);
    s.lastValue = store.value(s.end - 1);
    if (s.end < store.size())
        s.nextColumn = grid.columnOf(store.time(s.end));
    // The newest column may still grow: it is worked out again next time.
    ColumnSummary& kept = slot && s.end < store.size() ? *slot : scratch_;
    kept = s;
    return kept;
}

} // namespace zr::chart
