// SPDX-License-Identifier: MIT
#pragma once

// The legend lines of a graph window show the chip's last reading. While the chip is not being
// read (the board is lost, a read failed) they keep that reading, greyed, and say in their
// tooltip when it was taken, so that nobody takes an old value for the current one.

#include "graphs/strip_chart/strip_chart.h"
#include "platform/clock.h"

#include <chrono>
#include <optional>
#include <vector>

namespace zr {

class LegendAge {
public:
    LegendAge(chart::StripChart& chart, std::vector<int> legendLabels, const Clock& clock);

    // The legend lines now show a reading taken just now.
    void readingShown();
    // The chip was not read: the legend lines stay, greyed, until the next reading.
    void readingMissed();

private:
    chart::StripChart& chart_;
    std::vector<int> labels_;
    const Clock& clock_;
    std::optional<std::chrono::system_clock::time_point> last_;
    bool greyed_ = false;
};

} // namespace zr
