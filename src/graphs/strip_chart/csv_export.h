// SPDX-License-Identifier: MIT
#pragma once

// The samples of a time range as comma-separated text: a header "Time,<trace>,...", then one row
// per sample time, the local wall time to the millisecond and each trace's value at that time
// (empty for a trace without a sample then). Values are the stored single-precision values in their
// shortest exact form, "." as the point. Where readings are missing (a gap in a trace, see
// TraceStore::gapBefore), a row with the time the next reading was due and no values says so.

#include "graphs/strip_chart/trace_store.h"
#include "graphs/strip_chart/wall_clock_map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zr::chart {

struct NamedTrace {
    const TraceStore* store;
    std::string name;
};

// Samples with fromMs <= time < toMs; intervalMs is the time between readings. Rows show the
// wall time each sample was taken (`wall` maps the samples' timeline to it).
std::string samplesAsCsv(const std::vector<NamedTrace>& traces, std::int64_t fromMs,
                         std::int64_t toMs, std::int64_t intervalMs = 0,
                         const WallClockMap& wall = {});

} // namespace zr::chart
