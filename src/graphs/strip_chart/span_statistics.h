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

#include <algorithm>
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
    SpanStatistics over(const ChunkedArray<float>& values, std::size_t first, std::size_t end) const
    {
        return over([&values](std::size_t i) { return values[i]; }, first, end);
    }
    // The same with sample i read as valueAt(i).
    template <typename ValueAt>
    SpanStatistics over(const ValueAt& valueAt, std::size_t first, std::size_t end) const;
    void clear();
    std::size_t bytesUsed() const;
    // Frees the summaries of the smallest blocks wholly before sample `end`: a span whose edge
    // falls among them reads those samples instead. The larger blocks stay.
    void releaseBefore(std::size_t end)
    {
        if (!levels_.empty())
            levels_[0].releaseBefore(end >> kShift);
    }

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

template <typename ValueAt>
SpanStatistics StatisticsIndex::over(const ValueAt& valueAt, std::size_t first,
                                     std::size_t end) const
{
    // Units of the current level: samples first, then the blocks of each level in turn. The
    // partial blocks at both edges are read unit by unit; the whole ones between them are left to
    // the level above. Everything is added in sample order, so that ties keep the first index.
    SpanStatistics head;
    std::vector<SpanStatistics> tails; // nearest the span's end first
    auto samples = [&](std::size_t from, std::size_t to) {
        SpanStatistics s;
        for (std::size_t i = from; i < to; ++i)
            s.add(valueAt(i), i);
        return s;
    };
    auto read = [&](std::size_t level, std::size_t from, std::size_t to) {
        if (level == 0)
            return samples(from, to);
        SpanStatistics s;
        const std::size_t blockSamples = std::size_t{1} << (kShift * level);
        const ChunkedArray<Block, 8>& blocks = levels_[level - 1];
        for (std::size_t k = from; k < to; ++k) {
            if (level == 1 && k < blocks.heldFrom())
                s.append(samples(k * kBlock, (k + 1) * kBlock)); // summed up the same way
            else
                s.append(statisticsOf(blocks[k], blockSamples));
        }
        return s;
    };
    std::size_t lo = first, hi = end;
    for (std::size_t level = 0;; ++level) {
        const std::size_t headEnd = std::min(hi, (lo + kBlock - 1) / kBlock * kBlock);
        const std::size_t tailStart = std::max(headEnd, hi / kBlock * kBlock);
        if (level == levels_.size() || headEnd >= tailStart) {
            head.append(read(level, lo, hi));
            break;
        }
        head.append(read(level, lo, headEnd));
        tails.push_back(read(level, tailStart, hi));
        lo = headEnd / kBlock;
        hi = tailStart / kBlock;
    }
    for (auto t = tails.rbegin(); t != tails.rend(); ++t)
        head.append(*t);
    return head;
}

} // namespace zr::chart
