// SPDX-License-Identifier: MIT
#pragma once

// The exporter's HTTP side: /metrics (the readings of the cache, never a board request),
// /healthz (200 while the process runs) and / (links to both), on the one address it is told to
// listen on, or on every interface.

#include "exporter/readings_cache.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace zr::exporter {

struct ListenAddress {
    std::string host; // an IPv4 or IPv6 address, without brackets; empty: every interface
    int port = 0;
};

// Reads "127.0.0.1:9410", "0.0.0.0:9410", "[::1]:9410", "localhost:9410" (127.0.0.1) or ":9410"
// (every interface). Throws std::invalid_argument saying what does not fit.
ListenAddress parseListenAddress(std::string_view text);

class MetricsServer {
public:
    // Readings older than `maxAge` are left out of the metrics.
    MetricsServer(const ReadingsCache& cache, Clock::duration maxAge);
    ~MetricsServer(); // stops serving
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // Takes the address; throws std::runtime_error with a sentence for the user when it cannot
    // (the port is in use, the address is not one of this machine's).
    void bind(const ListenAddress& address);
    // Serves on a thread of its own until stop(); throws std::runtime_error when it cannot.
    void start();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zr::exporter
