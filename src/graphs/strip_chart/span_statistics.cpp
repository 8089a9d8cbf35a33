// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/span_statistics.h"

#include <cmath>
#include <limits>

namespace zr::chart {

double SpanStatistics::standardDeviation() const
{
    if (count < 2)
        return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt(squaredDeviations / static_cast<double>(count - 1));
}

void SpanStatistics::add(float value, std::size_t index)
{
    if (count == 0 || value < min) {
        min = value;
        minIndex = index;
    }
    if (count == 0 || value > max) {
        max = value;
        maxIndex = index;
    }
    ++count;
    const double delta = value - mean;
    mean += delta / static_cast<double>(count);
    squaredDeviations += delta * (value - mean);
}

void SpanStatistics::append(const SpanStatistics& later)
{
    if (later.count == 0)
        return;
    if (count == 0) {
        *this = later;
        return;
    }
    // Strictly smaller or larger only: on a tie the earlier sample stays.
    if (later.min < min) {
        min = later.min;
        minIndex = later.minIndex;
    }
    if (later.max > max) {
        max = later.max;
        maxIndex = later.maxIndex;
    }
    const double n1 = static_cast<double>(count);
    const double n2 = static_cast<double>(later.count);
    const double n = n1 + n2;
    const double delta = later.mean - mean;
    mean += delta * (n2 / n);
    squaredDeviations += later.squaredDeviations + delta * delta * (n1 * n2 / n);
    count += later.count;
}

StatisticsIndex::Block StatisticsIndex::blockOf(const SpanStatistics& s)
{
    return {s.mean,
            s.squaredDeviations,
            s.min,
            s.max,
            static_cast<std::uint32_t>(s.minIndex),
            static_cast<std::uint32_t>(s.maxIndex)};
}

SpanStatistics StatisticsIndex::statisticsOf(const Block& b, std::size_t count)
{
    SpanStatistics s;
    s.count = count;
    s.mean = b.mean;
    s.squaredDeviations = b.squaredDeviations;
    s.min = b.min;
    s.max = b.max;
    s.minIndex = b.minIndex;
    s.maxIndex = b.maxIndex;
    return s;
}

void StatisticsIndex::add(float value)
{
    const std::size_t index = (levels_.empty() ? 0 : levels_[0].size() * kBlock) + open_.count;
    open_.add(value, index);
    if (open_.count < kBlock)
        return;
    // A block is complete: it joins level 0, and every 32 blocks of a level make one above.
    Block done = blockOf(open_);
    open_ = {};
    for (std::size_t L = 0;; ++L) {
        if (L == levels_.size())
            levels_.emplace_back();
        ChunkedArray<Block, 8>& level = levels_[L];
        level.push_back(done);
        if (level.size() % kBlock != 0)
            return;
        const std::size_t blockSamples = std::size_t{1} << (kShift * (L + 1));
        SpanStatistics merged;
        for (std::size_t k = level.size() - kBlock; k < level.size(); ++k)
            merged.append(statisticsOf(level[k], blockSamples));
        done = blockOf(merged);
    }
}

void StatisticsIndex::clear()
{
    open_ = {};
    levels_.clear();
    levels_.shrink_to_fit();
}

std::size_t StatisticsIndex::bytesUsed() const
{
    std::size_t bytes = levels_.capacity() * sizeof(ChunkedArray<Block, 8>);
    for (const auto& level : levels_)
        bytes += level.bytesUsed();
    return bytes;
}

} // namespace zr::chart
