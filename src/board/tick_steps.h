// SPDX-License-Identifier: MIT
#pragma once

// What the main window's polling timer services on every tick, in order, and the SST reads each
// step makes. The timer walks this table, and so does the tool's `bench` to time one tick.

#include "board/board_library.h"
#include "board/chips.h"
#include "board/sst_stuff.h"

#include <array>
#include <vector>

namespace zr {

// The main window's polling interval: one tick, one reading per polled window.
inline constexpr int kTickIntervalMs = 250;

enum class PolledWindow { TempGraph, VoltGraph, SaveData };

struct TickStep {
    PolledWindow window;
    Chip chip;
};

inline constexpr std::array<TickStep, 5> kTickSteps{{
    {PolledWindow::TempGraph, Chip::A},
    {PolledWindow::VoltGraph, Chip::B},
    {PolledWindow::TempGraph, Chip::B},
    {PolledWindow::SaveData, Chip::A},
    {PolledWindow::SaveData, Chip::B},
}};

// The flag that tells the timer the step's window is open (graphs) or loaded (save-data).
inline Flag DeviceState::*tickFlag(const TickStep& step)
{
    const ChipDescriptor& chip = chipInfo(step.chip);
    switch (step.window) {
    case PolledWindow::TempGraph:
        return chip.tempGraphOpen;
    case PolledWindow::VoltGraph:
        return chip.voltGraphOpen;
    case PolledWindow::SaveData:
        break;
    }
    return chip.logging;
}

using SstRead = std::int16_t (*)(DeviceState&, BoardLibrary&);

// The routines the step's window calls on a tick, in its order, all on the step's chip.
inline std::vector<SstRead> tickReads(const TickStep& step)
{
    using namespace SSTStuff;
    switch (step.window) {
    case PolledWindow::TempGraph:
        return {SSTGetTemperatures};
    case PolledWindow::VoltGraph:
        return {SSTGetVoltages};
    case PolledWindow::SaveData:
        break;
    }
    if (hasRails(step.chip))
        return {SSTGetTemperatures, SSTGetExtOffset, SSTGetVoltages};
    return {SSTGetTemperatures, SSTGetExtOffset};
}

} // namespace zr
