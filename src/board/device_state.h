// SPDX-License-Identifier: MIT
#pragma once

// The one set of variables that every window and routine shares: where the next SST command
// goes, the board's last reply, the latest reading of each kind, the chip addresses found at
// start-up, the flags that tell the polling timer which windows to service, and the two byte
// buffers handed to the board library. The program makes exactly one and hands it to everyone;
// readings are not kept per chip, they hold the result of the last call from whichever chip.

#include "board/rails.h"

#include <array>
#include <cstdint>
#include <string>

namespace zr {

// Flags are 16-bit with True = -1 and every test compares with True.
using Flag = std::int16_t;
inline constexpr Flag True = -1;
inline constexpr Flag False = 0;

inline constexpr int kXferBufferSize = 64;
inline constexpr int kFirmwarePathSize = 512;

struct DeviceState {
    // Addressing and reply
    std::uint8_t CurrentAddress = 0;
    std::uint8_t ResponseStatus = 0;
    std::int16_t AddressA = 0;
    std::int16_t AddressB = 0;

    // Readings
    float IntTemp = 0;
    float ExtTemp = 0;
    std::array<float, kRailCount> Voltage{}; // in the order of kRails
    std::int32_t ExtOffset = 0;

    // Device Identifier Block
    std::uint8_t DibDeviceCapability = 0;
    std::uint8_t DibVersionRevision = 0;
    std::int32_t DibVendorId = 0;
    std::int32_t DibDeviceId = 0;
    std::uint8_t DibDeviceInterface = 0;
    std::uint8_t DibFunctionInterface = 0;
    std::uint8_t DibSiliconRevision = 0;
    std::uint8_t DibClientAddress = 0;

    // Window flags, read by the main window's timer
    Flag TempGraphAOpen = False;
    Flag TempGraphBOpen = False;
    Flag VoltGraphBOpen = False;
    Flag LoggingA = False;
    Flag LoggingB = False;

    // Buffers
    std::array<std::uint8_t, kXferBufferSize> XferBuffer{};
    std::string FirmwareFile;
    std::array<std::uint8_t, kFirmwarePathSize> FirmwarePath{};
};

} // namespace zr
