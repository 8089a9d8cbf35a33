// SPDX-License-Identifier: MIT
#pragma once

// The controller's RAM as its boot code exposes it over USB: while the CPU is held in reset,
// vendor request 0xA0 writes the bytes of its data stage to RAM at the address in wValue. Which
// images fit that RAM is decided in board/firmware, for the simulated board as well.

#include "board/firmware/controller_image.h"

#include <cstdint>

namespace zr::usb {

inline constexpr std::uint8_t kRamWriteRequest = 0xA0;
// Writing 1 holds the CPU in reset, writing 0 lets it run the loaded image.
inline constexpr std::uint16_t kCpuControlRegister = 0xE600;

using firmware::FirmwareImageError;
using firmware::kUploadChunkSize;
using firmware::kWritableRam;
using firmware::RamChunk;
using firmware::ramChunks;
using firmware::RamRange;
using firmware::readControllerFirmware;

} // namespace zr::usb
