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
    if (values_.size() % HistoryCache::kPageSamples == 0)
        spillOld();
    return true;
}

void TraceStore::spillOld()
{
    // A step leaves memory once its newest sample is older than the window, and never the chunk
    // samples are still being added to.
    while (!cacheRefused_ && !(cache_ && cache_->failed()) &&
           spilled_ + 2 * kSpillSamples <= values_.size() &&
           times_.lastTime() - time(spilled_ + kSpillSamples - 1) > policy_.inMemoryMs) {
        if (!spillNext())
            return;
    }
}

bool TraceStore::spillNext()
{
    if (!cache_) {
        std::string why;
        std::unique_ptr<CacheFile> file = policy_.openFile ? policy_.openFile(why) : nullptr;
        if (!file) {
            cacheRefused_ = true;
            historyReason_ = "no cache file for older history: " + why;
            return false;
        }
        cache_ = std::make_unique<HistoryCache>(std::move(file));
    }
    // Whole chunks of values (1024) and of time corrections (4096) at a time.
    constexpr std::size_t kPiece = 1024;
    for (std::size_t at = spilled_; at < spilled_ + kSpillSamples; at += kPiece) {
        if (!cache_->write(values_.data(at), times_.corrections(at), kPiece)) {
            historyReason_ = "the cache file of older history could not be written";
            return false;
        }
    }
    spilled_ += kSpillSamples;
    values_.releaseBefore(spilled_);
    HistoryCache* cache = cache_.get();
    times_.releaseBefore(spilled_, [cache](std::size_t i) {
        float v = 0;
        std::int8_t c = 0;
        return cache->read(i, v, c) ? c : std::int8_t{0};
    });
    levels_[0].releaseBefore(spilled_ >> kLevelShift);
    statistics_.releaseBefore(spilled_);
    return true;
}

float TraceStore::spilledValue(std::size_t i) const
{
    float v = 0;
    std::int8_t c = 0;
    if (cache_ && cache_->read(i, v, c))
        return v;
    if (historyReason_.empty())
        historyReason_ = "the cache file of older history could not be read";
    const MinMax block = levels_[1][i >> (2 * kLevelShift)];
    return block.min + (block.max - block.min) / 2;
}

TraceStore::History TraceStore::history() const
{
    if (cacheRefused_)
        return History::InMemory;
    if (cache_ && cache_->failed())
        return History::Incomplete;
    return History::Whole;
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
    MinMax m{value(first), value(first)};
    auto scanValues = [&](std::size_t from, std::size_t to) {
        if (from >= to)
            return;
        if (from < spilled_) {
            for (std::size_t k = from; k < to; ++k)
                widen(m, value(k));
            return;
        }
        const float* v = values_.data(from);
        for (std::size_t k = 0; k < to - from; ++k)
            widen(m, v[k]);
    };
    auto scanLevel = [&](std::size_t L, std::size_t from, std::size_t to) {
        if (from >= to)
            return;
        if (L == 1 && from < levels_[0].heldFrom()) {
            for (std::size_t k = from; k < to; ++k) {
                const MinMax b = smallBlock(k);
                m.min = std::min(m.min, b.min);
                m.max = std::max(m.max, b.max);
            }
            return;
        }
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

MinMax TraceStore::smallBlock(std::size_t k) const
{
    if (k >= levels_[0].heldFrom())
        return levels_[0][k];
    const std::size_t first = k << kLevelShift;
    MinMax m{value(first), value(first)};
    for (std::size_t i = first + 1; i < first + (std::size_t{1} << kLevelShift); ++i)
        widen(m, value(i));
    return m;
}

std::size_t TraceStore::bytesUsed() const
{
    std::size_t bytes = (cache_ ? cache_->bytesUsed() : 0) + values_.bytesUsed() +
                        times_.bytesUsed() + statistics_.bytesUsed() +
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
    // Forgotten history leaves the cache file too.
    if (cache_)
        cache_->clear();
    spilled_ = 0;
    cacheRefused_ = false;
    historyReason_.clear();
}

} // namespace zr::chart
