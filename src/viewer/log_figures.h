// SPDX-License-Identifier: MIT
#pragma once

// A loaded log's figures over a span of its wall clock, from its traces' own statistics: the
// same figures `zr410ab-cli stats` and Python's SavFile.stats give for the same records.

#include "logging/log_statistics.h"
#include "viewer/loaded_log.h"

#include <cstdint>

namespace zr::viewer {

// The column's samples at [fromMs, toMs], times in seconds from the log's start.
logging::ColumnStatistics columnFigures(const LoadedLog& log, const LoadedColumn& column,
                                        std::int64_t fromMs, std::int64_t toMs);

} // namespace zr::viewer
