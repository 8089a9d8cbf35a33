// SPDX-License-Identifier: MIT
#include "exporter/http_routes.h"

#include "exporter/exposition.h"

namespace zr::exporter {
namespace {

constexpr const char* kPlainText = "text/plain; charset=utf-8";

// What a person opening the exporter in a browser needs: where the readings are.
constexpr const char* kLandingPage =
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head><meta charset=\"utf-8\"><title>zr410ab exporter</title></head>\n"
    "<body>\n"
    "<h1>zr410ab exporter</h1>\n"
    "<p>Readings of the ZR410A and ZR410B chips on the evaluation board, for Prometheus.</p>\n"
    "<ul>\n"
    "<li><a href=\"/metrics\">/metrics</a>: the latest readings</li>\n"
    "<li><a href=\"/healthz\">/healthz</a>: 200 while the exporter runs</li>\n"
    "</ul>\n"
    "</body>\n"
    "</html>\n";

} // namespace

HttpReply answerRequest(std::string_view method, std::string_view path, std::string_view accept,
                        const ReadingsCache& cache, Clock::duration maxAge)
{
    const bool known = path == "/metrics" || path == "/healthz" || path == "/";
    if (!known)
        return {404, kPlainText, "Not found: the readings are at /metrics.\n", ""};
    if (method != "GET" && method != "HEAD")
        return {405, kPlainText, "Only GET and HEAD are answered here.\n", "GET, HEAD"};
    if (path == "/healthz")
        return {200, kPlainText, "ok\n", ""};
    if (path == "/")
        return {200, "text/html; charset=utf-8", kLandingPage, ""};
    const ExpositionFormat format = formatForAccept(accept);
    return {200, contentType(format), renderMetrics(cache.snapshot(), Clock::now(), maxAge, format),
            ""};
}

} // namespace zr::exporter
