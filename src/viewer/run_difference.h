// SPDX-License-Identifier: MIT
#pragma once

// Two runs of the same column compared: run 2 minus run 1, sample by sample, after their starts
// are laid on each other. The result is an ordinary trace, so its statistics, cursors and gaps
// are the chart's own.

#include "graphs/strip_chart/trace_store.h"

#include <cstdint>
#include <memory>

namespace zr::viewer {

// Run 2 - run 1, on run 1's clock: each run-2 sample, moved by start1Ms - start2Ms, is matched
// with the run-1 sample nearest it, and gives no difference when none lies within toleranceMs;
// a missing difference breaks the line.
std::unique_ptr<chart::TraceStore>
runDifference(const chart::TraceStore& run1, std::int64_t start1Ms, const chart::TraceStore& run2,
              std::int64_t start2Ms, std::int64_t toleranceMs = 125);

} // namespace zr::viewer
