// SPDX-License-Identifier: MIT
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
    if (gapMs_ > 0 && i > 0 && timeMs - times_.lastTime() > gapMs_)
        gaps_.push_back(i);
    values_.push_back(v);
    times_.append(timeMs);
    statistics_.add(v);
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

void TraceStore::setGapMs(std::int64_t gapMs)
{
    gapMs_ = gapMs;
    gaps_.clear();
    ++revision_;
    if (gapMs_ <= 0)
        return;
    for (std::size_t i = 1; i < size(); ++i)
        if (time(i) - time(i - 1) > gapMs_)
            gaps_.push_back(i);
}

bool TraceStore::gapBefore(std::size_t i) const
{
    return std::binary_search(gaps_.begin(), gaps_.end(), i);
}

std::size_t TraceStore::nextGapAfter(std::size_t i) const
{
    const auto next = std::upper_bound(gaps_.begin(), gaps_.end(), i);
    return next == gaps_.end() ? size() : *next;
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
    // At each level, the partial blocks at both ends are read entry by entry and the whole blocks
    // between them are left to the level above. A partial block never crosses a chunk, so each
    // end is one short contiguous scan.
    constexpr std::size_t kBlock = std::size_t{1} << kLevelShift;
    MinMax m{values_[first], values_[first]};
    auto scanValues = [&](std::size_t from, std::size_t to) {
        if (from >= to)
            return;
        const float* v = values_.data(from);
        for (std::size_t k = 0; k < to - from; ++k)
            widen(m, v[k]);
    };
    auto scanLevel = [&](std::size_t L, std::size_t from, std::size_t to) {
        if (from >= to)
            return;
        const MinMax* b = levels_[L - 1].data(from);
        for (std::size_t k = 0; k < to - from; ++k) {
            m.min = std::min(m.min, b[k].min);
            m.max = std::max(m.max, b[k].max);
        }
    };
    auto scan = [&](std::size_t L, std::size_t from, std::size_t to) {
        if (L == 0)
            scanValues(from, to);
        else
            scanLevel(L, from, to);
    };
    // [lo, hi) in entries of level L.
    std::size_t lo = first, hi = end;
    for (std::size_t L = 0;; ++L) {
        const std::size_t headEnd = std::min(hi, (lo + kBlock - 1) / kBlock * kBlock);
        const std::size_t tailStart = std::max(headEnd, hi / kBlock * kBlock);
        if (L == levels_.size() || headEnd >= tailStart) {
            // No level above, or no whole block of it inside: read the rest here.
            for (std::size_t at = lo; at < hi;) {
                const std::size_t stop = std::min(hi, (at / kBlock + 1) * kBlock);
                scan(L, at, stop);
                at = stop;
            }
            return m;
        }
        scan(L, lo, headEnd);
        scan(L, tailStart, hi);
        lo = headEnd / kBlock;
        hi = tailStart / kBlock;
    }
}

std::size_t TraceStore::bytesUsed() const
{
    std::size_t bytes = values_.bytesUsed() + times_.bytesUsed() + statistics_.bytesUsed() +
                        levels_.capacity() * sizeof(ChunkedArray<MinMax, 10>);
    for (const auto& level : levels_)
        bytes += level.bytesUsed();
    return bytes;
}

void TraceStore::clear()
{
    values_.clear();
    times_.clear();
    statistics_.clear();
    levels_.clear();
    levels_.shrink_to_fit();
    gaps_.clear();
    ++revision_;
}

} // namespace zr::chart
