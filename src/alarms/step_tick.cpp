// SPDX-License-Identifier: MIT
#include "alarms/step_tick.h"

#include "alarms/taken_tick.h"

#include <algorithm>

namespace zr::alarms {

ChipTick tickOfStep(const TickStep& step, const logging::TakenReadings& taken)
{
    const ChipTick all = tickOf(taken, step.chip);
    const std::vector<SstRead> reads = tickReads(step);
    const auto covers = [&reads](SstRead r) {
        return std::find(reads.begin(), reads.end(), r) != reads.end();
    };
    const bool temperatures = covers(&SSTStuff::SSTGetTemperatures);
    const bool rails = covers(&SSTStuff::SSTGetVoltages);
    ChipTick tick;
    for (int c = 0; c < kChannelCount; ++c) {
        const bool covered = isRailChannel(c) ? rails : temperatures;
        if (covered)
            tick[static_cast<std::size_t>(c)] = all[static_cast<std::size_t>(c)];
    }
    return tick;
}

void mergeTick(ChipTick& into, const ChipTick& more)
{
    for (std::size_t c = 0; c < into.size(); ++c)
        if (into[c].state != ReadState::Valid && more[c].state != ReadState::NotRead)
            into[c] = more[c];
}

} // namespace zr::alarms
