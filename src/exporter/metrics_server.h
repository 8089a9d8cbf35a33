// SPDX-License-Identifier: MIT
#pragma once

// The exporter's HTTP side: /metrics (the readings of the cache, never a board request) and
// /healthz (200 while the process runs), on the one address it is told to listen on.

#include "exporter/readings_cache.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace zr::exporter {

struct ListenAddress {
    std::string host; // an IPv4 or IPv6 address, without brackets
    int port = 0;
};

// Reads "127.0.0.1:9410", "0.0.0.0:9410" or "[::1]:9410". Throws std::invalid_argument saying
// what does not fit.
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
    // Serves on a thread of its own until stop().
    void start();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zr::exporter
