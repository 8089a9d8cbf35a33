// SPDX-License-Identifier: MIT
#include "alarms/taken_tick.h"

namespace zr::alarms {

ChipTick tickOf(const logging::TakenReadings& taken, Chip chip)
{
    auto reading = [](std::int16_t result, float value) {
        return result < 0 ? ChannelReading::failed() : ChannelReading::valid(value);
    };
    ChipTick tick;
    tick[kInternalChannel] = reading(taken.temperaturesResult, taken.values.intTemp);
    tick[kExternalChannel] = reading(taken.temperaturesResult, taken.values.extTemp);
    if (hasRails(chip))
        for (int i = 0; i < kRailCount; ++i)
            tick[static_cast<std::size_t>(kFirstRailChannel + i)] =
                reading(taken.voltagesResult, taken.values.voltages[static_cast<std::size_t>(i)]);
    return tick;
}

} // namespace zr::alarms
