// SPDX-License-Identifier: MIT
// The cost of a trace's span statistics (count, extremes, mean, deviation) over random spans, at
// a short history and at a day of samples at 4 per second, and what the block summaries add to
// the store per sample.
//
// Usage: statistics_bench
// Prints one line per history length:
//   statistics samples=N queries=Q median_us=X p99_us=Y whole_us=Z bytes_per_sample=B
// (bytes_per_sample: what the block summaries add to the store.)

#include "graphs/strip_chart/trace_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

void run(int samples)
{
    using Clock = std::chrono::steady_clock;
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(25.0, 0.01);
    zr::chart::TraceStore store;
    for (int i = 0; i < samples; ++i)
        store.append(1'000'000 + 250LL * i, noise(rng));
    const double bytesPerSample =
        static_cast<double>(store.statisticsBytesUsed()) / static_cast<double>(samples);

    const int queries = 20'000;
    std::uniform_int_distribution<std::size_t> index(0, store.size() - 1);
    std::vector<double> micros;
    micros.reserve(queries);
    double sink = 0;
    for (int q = 0; q < queries; ++q) {
        std::size_t a = index(rng), b = index(rng);
        if (a > b)
            std::swap(a, b);
        const Clock::time_point start = Clock::now();
        const zr::chart::SpanStatistics s = store.statistics(a, b + 1);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        sink += s.mean;
    }
    const Clock::time_point start = Clock::now();
    sink += store.statistics(0, store.size()).standardDeviation();
    const double whole = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    std::printf("statistics samples=%d queries=%d median_us=%.2f p99_us=%.2f whole_us=%.2f "
                "bytes_per_sample=%.2f%s\n",
                samples, queries, percentile(micros, 0.5), percentile(micros, 0.99), whole,
                bytesPerSample, sink == 12345.678 ? " " : "");
}

} // namespace

int main()
{
    for (int samples : {1'000, 345'600})
        run(samples);
    return 0;
}
