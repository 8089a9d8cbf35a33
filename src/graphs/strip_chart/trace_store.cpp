#include "graphs/strip_chart/trace_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zr::chart {
namespace {

float toStoredValue(double value)
{
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kLargest, kLargest));
}

void widen(MinMax& m, float v)
{
    m.min = std::min(m.min, v);
    m.max = std::max(m.max, v);
}

} // namespace

bool TraceStore::append(std::int64_t timeMs, double value)
{
    if (std::isnan(value))
        return false;
    const float v = toStoredValue(value);
    const std::size_t i = values_.size();
    values_.push_back(v);
    times_.append(timeMs);
    for (std::size_t L = 0; L < levels_.size(); ++L) {
        const std::size_t block = i >> (kLevelShift * (L + 1));
        ChunkedArray<MinMax, 10>& level = levels_[L];
        if (block == level.size())
            level.push_back({v, v});
        else
            widen(level.back(), v);
    }
    // A new level pays off once it has two blocks.
    if (values_.size() > (std::size_t{1} << (kLevelShift * (levels_.size() + 1))))
        addLevel();
    return true;
}

void TraceStore::addLevel()
{
    const std::size_t L = levels_.size() + 1;
    ChunkedArray<MinMax, 10> level;
    if (L == 1) {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if ((i >> kLevelShift) == level.size())
                level.push_back({values_[i], values_[i]});
            else
                widen(level.back(), values_[i]);
        }
    } else {
        const ChunkedArray<MinMax, 10>& below = levels_.back();
        for (std::size_t j = 0; j < below.size(); ++j) {
            if ((j >> kLevelShift) == level.size())
                level.push_back(below[j]);
            else {
                widen(level.back(), below[j].min);
                widen(level.back(), below[j].max);
            }
        }
    }
    levels_.push_back(std::move(level));
}

MinMax TraceStore::minMax(std::size_t first, std::size_t end) const
{
    MinMax m{values_[first], values_[first]};
    // Climb while the position is aligned to a larger block that fits, take whole blocks at the
    // highest level that fits, and step down again towards the end of the range.
    std::size_t at = first;
    std::size_t L = 0;
    while (at < end) {
        const std::size_t upper = std::size_t{1} << (kLevelShift * (L + 1));
        if (L < levels_.size() && at % upper == 0 && at + upper <= end) {
            ++L;
            continue;
        }
        const std::size_t blockSize = std::size_t{1} << (kLevelShift * L);
        if (at + blockSize <= end) {
            if (L == 0)
                widen(m, values_[at]);
            else {
                const MinMax& b = levels_[L - 1][at >> (kLevelShift * L)];
                widen(m, b.min);
                widen(m, b.max);
            }
            at += blockSize;
        } else {
            --L;
        }
    }
    return m;
}

std::size_t TraceStore::bytesUsed() const
{
    std::size_t bytes = values_.bytesUsed() + times_.bytesUsed() +
                        levels_.capacity() * sizeof(ChunkedArray<MinMax, 10>);
    for (const auto& level : levels_)
        bytes += level.bytesUsed();
    return bytes;
}

void TraceStore::clear()
{
    values_.clear();
    times_.clear();
    levels_.clear();
    levels_.shrink_to_fit();
}

} // namespace zr::chart
