// SPDX-License-Identifier: MIT
#pragma once

// Times on a chart with a short text: what the program did to the chip or the board, and the
// user's own notes. They belong to the chart's history as its samples do, in time order, and go
// when that history goes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zr::chart {

struct Marker {
    std::int64_t timeMs;
    std::string text; // UTF-8
    bool note;        // added by the user, who may delete it
};

class MarkerList {
public:
    // Inserts in time order, after any marker at the same time; returns its index.
    std::size_t add(std::int64_t timeMs, std::string text, bool note);
    void remove(std::size_t index);
    void clear() { markers_.clear(); }

    std::size_t size() const { return markers_.size(); }
    bool empty() const { return markers_.empty(); }
    const Marker& operator[](std::size_t index) const { return markers_[index]; }
    auto begin() const { return markers_.begin(); }
    auto end() const { return markers_.end(); }

    // The first marker at or after timeMs (size() when none is).
    std::size_t lowerBound(std::int64_t timeMs) const;
    // The note nearest timeMs, the later one of two as near; size() when there is no note.
    std::size_t nearestNote(std::int64_t timeMs) const;

private:
    std::vector<Marker> markers_;
};

} // namespace zr::chart
