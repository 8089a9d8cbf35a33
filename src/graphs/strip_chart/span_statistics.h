// SPDX-License-Identifier: MIT
#pragma once

// Exact statistics of any span of a trace's samples, in O(log n): count, minimum and maximum with
// the index of their first occurrence, mean and the sum of squared deviations from it (for the
// sample standard deviation). Figures come from the stored samples themselves, never from what a
// plot column shows, so they do not change with the zoom or the window's width.
//
// Blocks of 32 samples, and blocks of 32 such blocks above them, keep their count, mean and sum
// of squared deviations; a span merges the whole blocks inside it pairwise (the parallel form of
// Welford's update) and reads the few samples at its two edges one by one. Sums of x and x² would
// lose about seven digits on readings such as 25 ± 0.01; these merges keep the figures within
// rounding of a two-pass computation, and a constant stretch has a deviation of exactly 0. The
// blocks add about one byte per sample.

#include "graphs/strip_chart/chunked_array.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr::chart {

struct SpanStatistics {
    std::size_t count = 0;
    double mean = 0;
    double squaredDeviations = 0; // from the mean, summed
    float min = 0;
    float max = 0;
    std::size_t minIndex = 0; // the first sample holding the minimum
    std::size_t maxIndex = 0;

    // The sample standard deviation; NaN below two samples.
    double standardDeviation() const;
    double peakToPeak() const { return static_cast<double>(max) - static_cast<double>(min); }

    void add(float value, std::size_t index);
    // Adds the statistics of samples that all come after these ones.
    void append(const SpanStatistics& later);
};

class StatisticsIndex {
public:
    // Takes the trace's next sample (its index is the number taken before it).
    void add(float value);
    // The statistics of samples [first, end) of `values`, which holds every sample taken.
    SpanStatistics over(const ChunkedArray<float>& values, std::size_t first,
                        std::size_t end) const;
    void clear();
    std::size_t bytesUsed() const;

private:
    static constexpr std::size_t kShift = 5;
    static constexpr std::size_t kBlock = std::size_t{1} << kShift;
    struct Block {
        double mean;
        double squaredDeviations;
        float min;
        float max;
        std::uint32_t minIndex;
        std::uint32_t maxIndex;
    };
    static Block blockOf(const SpanStatistics& s);
    static SpanStatistics statisticsOf(const Block& b, std::size_t count);

    SpanStatistics open_;                        // the samples of the block not yet complete
    std::vector<ChunkedArray<Block, 8>> levels_; // levels_[L]: blocks of 32^(L + 1) samples
};

} // namespace zr::chart
