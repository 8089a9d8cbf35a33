// SPDX-License-Identifier: MIT
#pragma once

// The chip kinds the program knows, one row each: what the windows, the log writer, the start-up
// scan and the tool need to tell them apart. Code asks this table instead of comparing with a
// particular chip, so a new kind is a new enumerator and a new row.

#include "board/device_state.h"

#include <array>
#include <cstdint>

namespace zr {

// The chip a window belongs to.
enum class Chip { A, B };

struct ChipDescriptor {
    Chip chip;
    const char* name;   // "ZR410A": menu caption, first line of its logs, window titles, messages
    const char* letter; // "A": ends the names of its windows and menu items; the tool's chip name
    std::int16_t DeviceState::*address; // filled by the start-up scan
    Flag DeviceState::*tempGraphOpen;
    Flag DeviceState::*voltGraphOpen; // null for a chip without rails
    Flag DeviceState::*logging;
    bool hasRails;           // monitors the supply rails of rails.h
    int deviceId;            // low byte of the identifier block's device id
    int alternativeDeviceId; // a second id the scan accepts, or -1
    bool selectedAfterScan;  // the scan leaves CurrentAddress pointing at this chip
};

inline constexpr std::array<ChipDescriptor, 2> kChips{{
    {Chip::A, "ZR410A", "A", &DeviceState::AddressA, &DeviceState::TempGraphAOpen, nullptr,
     &DeviceState::LoggingA, false, 132, -1, false},
    {Chip::B, "ZR410B", "B", &DeviceState::AddressB, &DeviceState::TempGraphBOpen,
     &DeviceState::VoltGraphBOpen, &DeviceState::LoggingB, true, 133, 134, true},
}};

inline constexpr int kChipCount = static_cast<int>(kChips.size());

constexpr const ChipDescriptor& chipInfo(Chip chip)
{
    return kChips[static_cast<std::size_t>(chip)];
}

constexpr int chipIndex(Chip chip)
{
    return static_cast<int>(chip);
}

inline std::int16_t chipAddress(const DeviceState& s, Chip chip)
{
    return s.*chipInfo(chip).address;
}

// Every device access starts by copying the window's chip address, as a byte, into CurrentAddress.
inline void selectChip(DeviceState& s, Chip chip)
{
    s.CurrentAddress = static_cast<std::uint8_t>(chipAddress(s, chip));
}

constexpr const char* chipName(Chip chip)
{
    return chipInfo(chip).name;
}

constexpr bool hasRails(Chip chip)
{
    return chipInfo(chip).hasRails;
}

// The kind that monitors the rails: the one the tool's volts command reads.
constexpr Chip chipWithRails()
{
    for (const ChipDescriptor& chip : kChips)
        if (chip.hasRails)
            return chip.chip;
    return kChips.back().chip;
}

} // namespace zr
