#pragma once

// The samples of a time range as comma-separated text: a header "Time,<trace>,...", then one row
// per sample time, the local time to the millisecond and each trace's value at that time (empty
// for a trace without a sample then). Values are the stored single-precision values in their
// shortest exact form, "." as the point.

#include "graphs/strip_chart/trace_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zr::chart {

struct NamedTrace {
    const TraceStore* store;
    std::string name;
};

// Samples with fromMs <= time < toMs.
std::string samplesAsCsv(const std::vector<NamedTrace>& traces, std::int64_t fromMs,
                         std::int64_t toMs);

} // namespace zr::chart
