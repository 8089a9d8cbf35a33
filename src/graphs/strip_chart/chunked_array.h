// SPDX-License-Identifier: MIT
#pragma once

// A growable array stored in fixed-size chunks. A whole session's samples can reach millions of
// elements: growing one vector would copy them all on every doubling and leave up to half its
// capacity unused. Here only the newest chunk grows, so the slack stays below one chunk and an
// append never moves old elements.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zr::chart {

template <typename T, std::size_t ChunkShift = 10> class ChunkedArray {
public:
    static constexpr std::size_t kChunkSize = std::size_t{1} << ChunkShift;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    const T& operator[](std::size_t i) const
    {
        return chunks_[i >> ChunkShift][i & (kChunkSize - 1)];
    }
    T& operator[](std::size_t i) { return chunks_[i >> ChunkShift][i & (kChunkSize - 1)]; }
    // Element i and those after it in the same chunk lie contiguously: a run that starts on a
    // multiple of n and stays within one block of n (n a power of two up to the chunk size)
    // can be read through this pointer.
    const T* data(std::size_t i) const
    {
        return chunks_[i >> ChunkShift].data() + (i & (kChunkSize - 1));
    }
    const T& back() const { return (*this)[size_ - 1]; }
    T& back() { return (*this)[size_ - 1]; }

    void push_back(const T& value)
    {
        if (chunks_.empty() || chunks_.back().size() == kChunkSize)
            chunks_.emplace_back();
        std::vector<T>& last = chunks_.back();
        if (last.size() == last.capacity()) {
            // Grow the newest chunk by half, up to the chunk size: small arrays stay small.
            const std::size_t grown = std::max<std::size_t>(16, last.capacity() * 3 / 2);
            last.reserve(std::min(kChunkSize, grown));
        }
        last.push_back(value);
        ++size_;
    }

    void clear()
    {
        chunks_.clear();
        chunks_.shrink_to_fit();
        size_ = 0;
        released_ = 0;
    }

    // Frees the chunks that lie wholly before element `end` (never the newest one): their
    // elements must not be read again. Indices stay as they were.
    void releaseBefore(std::size_t end)
    {
        const std::size_t chunks =
            std::min(end >> ChunkShift, chunks_.empty() ? 0 : chunks_.size() - 1);
        for (std::size_t c = released_; c < chunks; ++c)
            std::vector<T>().swap(chunks_[c]);
        released_ = std::max(released_, chunks);
    }
    // The first element still held.
    std::size_t heldFrom() const { return released_ << ChunkShift; }

    // Heap bytes held, slack included.
    std::size_t bytesUsed() const
    {
        std::size_t bytes = chunks_.capacity() * sizeof(std::vector<T>);
        for (const std::vector<T>& c : chunks_)
            bytes += c.capacity() * sizeof(T);
        return bytes;
    }

private:
    std::vector<std::vector<T>> chunks_;
    std::size_t size_ = 0;
    std::size_t released_ = 0; // chunks freed, from the first
};

} // namespace zr::chart
