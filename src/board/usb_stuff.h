// SPDX-License-Identifier: MIT
#pragma once

// Board routines: loading the firmware and the one request/reply exchange that every SST
// transaction is built on.

#include "board/board_library.h"
#include "board/chips.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::USBStuff {

inline constexpr const char* kFirmwareFileName = "SSTFW.hex";

// What the user is told when LoadBoardFirmware fails; the reason, when known, goes below it.
inline constexpr const char* kBoardNotFoundMessage =
    "ZR410A/B could not be found. Please check USB connection.";

// Fills FirmwarePath with `text` (UTF-8) as NUL-terminated 8-bit (Latin-1) bytes. Refuses, with
// std::invalid_argument and without touching the buffer, a text of more than 511 characters or
// one with a character that has no 8-bit code.
void CopyPathToBuffer(DeviceState& state, std::string_view text);

// FirmwareFile = programFolder + "/SSTFW.hex" (plain concatenation), copied to FirmwarePath and
// handed to LoadFirmWare. Returns its result; a refused path gives -1 without calling the board.
// `reason`, when given, receives words for the user on failure.
std::int16_t LoadBoardFirmware(DeviceState& state, BoardLibrary& board,
                               std::string_view programFolder, std::string* reason = nullptr);

// Sends XferBuffer bytes 0..6 with request 218, then reads 64 bytes back into XferBuffer.
// Returns the read's result, or the write's when the frame did not go out (then nothing is read).
// Throws BoardLostError, before, between or after the requests, when the board reports itself
// lost or not responding, so that nobody decodes a buffer the board never wrote and a hung board
// costs one timeout, not two.
std::int16_t SSTExchange(DeviceState& state, BoardLibrary& board);

} // namespace zr::USBStuff
