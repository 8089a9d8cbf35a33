// SPDX-License-Identifier: MIT
#pragma once

// The readings as a Prometheus scrape reads them: the text exposition format 0.0.4, or
// OpenMetrics 1.0.0 when the scraper asks for it. Every family has its HELP and TYPE lines and
// its unit in its name. A reading is left out, never shown stale, when its read failed, the board
// is lost, or it is older than `maxAge` (three poll intervals). An alarm rule shows for a chip
// the scan found, with its state of the last poll, also while the board is down.

#include "exporter/readings_cache.h"

#include <string>
#include <string_view>

namespace zr::exporter {

enum class ExpositionFormat { Prometheus, OpenMetrics };

// OpenMetrics when the Accept header names it, the classic text format otherwise.
ExpositionFormat formatForAccept(std::string_view accept);
const char* contentType(ExpositionFormat format);

std::string renderMetrics(const Snapshot& snapshot, Clock::time_point now, Clock::duration maxAge,
                          ExpositionFormat format = ExpositionFormat::Prometheus);

// A reading as a sample value: the digits the program shows (decimalText), with the zero before
// the point that the number grammar of the format wants ("0.75", "-0.1199951").
std::string sampleValue(float value);

} // namespace zr::exporter
