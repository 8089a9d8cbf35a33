// SPDX-License-Identifier: MIT
#pragma once

// The alarm engine's tick from the windows' reads. Each polled window reads only its own
// channels (a temperature graph the temperatures, the voltage graph the rails, a save-data
// window all of them), and a chip may be read by several windows in one tick: their reads merge
// into one tick per chip, so that a channel read twice still counts once.

#include "alarms/alarm_engine.h"
#include "board/tick_steps.h"
#include "logging/take_readings.h"

namespace zr::alarms {

// The channels the step's reads cover; the others are not read.
ChipTick tickOfStep(const TickStep& step, const logging::TakenReadings& taken);

// Adds a second read of the same tick: a channel keeps its first valid reading, and a failed read
// counts only where no other read of the tick succeeded.
void mergeTick(ChipTick& into, const ChipTick& more);

} // namespace zr::alarms
