// SPDX-License-Identifier: MIT
#pragma once

// What the exporter answers to a request, apart from how the request came: the readings at
// /metrics, 200 at /healthz while the process runs, and a page at / that links to both. Only GET
// and HEAD; any other method on these paths is told which two it may use.

#include "exporter/readings_cache.h"

#include <string>
#include <string_view>

namespace zr::exporter {

struct HttpReply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::string allow; // the Allow header of a 405; empty otherwise
};

HttpReply answerRequest(std::string_view method, std::string_view path, std::string_view accept,
                        const ReadingsCache& cache, Clock::duration maxAge);

} // namespace zr::exporter
