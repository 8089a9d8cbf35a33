// SPDX-License-Identifier: MIT
#pragma once

// The alarm engine's tick from the reads a save-data window, the tool and the exporter take: a
// failed read marks its channels failed, so that failing rules count it.

#include "alarms/alarm_engine.h"
#include "logging/take_readings.h"

namespace zr::alarms {

ChipTick tickOf(const logging::TakenReadings& taken, Chip chip);

} // namespace zr::alarms
