// SPDX-License-Identifier: MIT
#pragma once

// SST command routines: one per chip operation. Each builds a request frame in XferBuffer for the
// chip at CurrentAddress, runs the exchange and decodes the reply into the shared device state.
// They judge nothing in the reply; every one returns the board's result of the read request.

#include "board/board_library.h"
#include "board/chips.h"

#include <cstdint>
#include <span>

namespace zr::SSTStuff {

inline constexpr std::uint8_t kCmdGetDIB = 247;
inline constexpr std::uint8_t kCmdGetTemperatures = 0;
inline constexpr std::uint8_t kCmdGetVoltages = 16;
inline constexpr std::uint8_t kCmdExtOffset = 224;

inline constexpr int kMinOffset = -512;
inline constexpr int kMaxOffset = 1023;
inline constexpr int kMaxTransactionBytes = 61; // XferBuffer bytes 3..63

std::int16_t SSTGetDIB(DeviceState& state, BoardLibrary& board);
std::int16_t SSTPing(DeviceState& state, BoardLibrary& board);
std::int16_t SSTGetTemperatures(DeviceState& state, BoardLibrary& board);
std::int16_t SSTGetVoltages(DeviceState& state, BoardLibrary& board);
std::int16_t SSTGetExtOffset(DeviceState& state, BoardLibrary& board);

// offset in whole degrees, -512..1023 (512..1023 write the same register value as offset - 1024).
// Anything else is refused with std::out_of_range before the buffer is touched.
std::int16_t SSTSetExtOffset(DeviceState& state, BoardLibrary& board, std::int32_t offset);

// data goes to XferBuffer from byte 3; only bytes 3..6 travel with the 7-byte frame. More than 61
// bytes are refused with std::out_of_range before the buffer is touched. ResponseStatus is kept.
std::int16_t SSTTransaction(DeviceState& state, BoardLibrary& board, std::uint8_t writeLength,
                            std::uint8_t readLength, std::span<const std::uint8_t> data);

// Reply decoding, shared with the simulated board's tests and the command-line tool.
float decodeTemperature(std::uint8_t low, std::uint8_t high);
float decodeVoltage(std::uint8_t low, std::uint8_t high);
std::int32_t decodeExtOffset(std::uint8_t low, std::uint8_t high);
std::uint16_t encodeExtOffset(std::int32_t offset);

} // namespace zr::SSTStuff
