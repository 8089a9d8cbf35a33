// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"

#include "board/usb_stuff.h"
#include "text/text_rules.h"

#include <stdexcept>
#include <string>

namespace zr::SSTStuff {
namespace {

void setFrameHead(DeviceState& s, std::uint8_t writeLength, std::uint8_t readLength,
                  std::uint8_t command)
{
    s.XferBuffer[0] = s.CurrentAddress;
    s.XferBuffer[1] = writeLength;
    s.XferBuffer[2] = readLength;
    s.XferBuffer[3] = command;
}

// Frame bytes a routine does not set keep whatever the buffer held, as the board always saw them.
std::int16_t exchangeWithStatus(DeviceState& s, BoardLibrary& board)
{
    const std::int16_t result = USBStuff::SSTExchange(s, board);
    s.ResponseStatus = s.XferBuffer[0];
    return result;
}

unsigned word(const DeviceState& s, int lowIndex)
{
    return s.XferBuffer[lowIndex] + 256u * s.XferBuffer[lowIndex + 1];
}

} // namespace

float decodeTemperature(std::uint8_t low, std::uint8_t high)
{
    const double t = (low + 256.0 * high) / 64.0;
    float stored = static_cast<float>(text::roundHalfEven(t * 100.0) / 100.0);
    // The sign correction happens after rounding, in single precision: 1023.875 -> 1023.88 ->
    // -0.1199951171875 rather than the single nearest to -0.12.
    if (stored > 511.0f)
        stored = stored - 1024.0f;
    return stored;
}

float decodeVoltage(std::uint8_t low, std::uint8_t high)
{
    const double v = (low + 256.0 * high) / 1024.0;
    return static_cast<float>(text::roundHalfEven(v * 1000.0) / 1000.0);
}

std::int32_t decodeExtOffset(std::uint8_t low, std::uint8_t high)
{
    auto o = static_cast<std::int32_t>(text::roundHalfEven((low + 256.0 * high) / 64.0));
    if (o > 511)
        o -= 1024;
    return o;
}

std::uint16_t encodeExtOffset(std::int32_t offset)
{
    return static_cast<std::uint16_t>(offset * 64);
}

std::int16_t SSTGetDIB(DeviceState& s, BoardLibrary& board)
{
    setFrameHead(s, 1, 16, kCmdGetDIB);
    const std::int16_t result = exchangeWithStatus(s, board);
    s.DibDeviceCapability = s.XferBuffer[1];
    s.DibVersionRevision = s.XferBuffer[2];
    s.DibVendorId = static_cast<std::int32_t>(word(s, 3));
    s.DibDeviceId = static_cast<std::int32_t>(word(s, 5));
    s.DibDeviceInterface = s.XferBuffer[7];
    s.DibFunctionInterface = s.XferBuffer[8];
    s.DibSiliconRevision = s.XferBuffer[15];
    s.DibClientAddress = s.XferBuffer[16];
    return result;
}

std::int16_t SSTPing(DeviceState& s, BoardLibrary& board)
{
    setFrameHead(s, 0, 0, 0);
    return exchangeWithStatus(s, board);
}

std::int16_t SSTGetTemperatures(DeviceState& s, BoardLibrary& board)
{
    setFrameHead(s, 1, 4, kCmdGetTemperatures);
    const std::int16_t result = exchangeWithStatus(s, board);
    s.IntTemp = decodeTemperature(s.XferBuffer[1], s.XferBuffer[2]);
    s.ExtTemp = decodeTemperature(s.XferBuffer[3], s.XferBuffer[4]);
    return result;
}

std::int16_t SSTGetVoltages(DeviceState& s, BoardLibrary& board)
{
    setFrameHead(s, 1, 16, kCmdGetVoltages);
    const std::int16_t result = exchangeWithStatus(s, board);
    for (int i = 0; i < kRailCount; ++i)
        s.Voltage[i] = decodeVoltage(s.XferBuffer[2 * i + 1], s.XferBuffer[2 * i + 2]);
    return result;
}

std::int16_t SSTGetExtOffset(DeviceState& s, BoardLibrary& board)
{
    setFrameHead(s, 1, 2, kCmdExtOffset);
    const std::int16_t result = exchangeWithStatus(s, board);
    s.ExtOffset = decodeExtOffset(s.XferBuffer[1], s.XferBuffer[2]);
    return result;
}

std::int16_t SSTSetExtOffset(DeviceState& s, BoardLibrary& board, std::int32_t offset)
{
    if (offset < kMinOffset || offset > kMaxOffset)
        throw std::out_of_range("The external offset " + std::to_string(offset) +
                                " does not fit the register; allowed are " +
                                std::to_string(kMinOffset) + " to " + std::to_string(kMaxOffset) +
                                ".");
    const std::uint16_t v = encodeExtOffset(offset);
    setFrameHead(s, 3, 0, kCmdExtOffset);
    s.XferBuffer[4] = static_cast<std::uint8_t>(v & 0xFF);
    s.XferBuffer[5] = static_cast<std::uint8_t>(v >> 8);
    return exchangeWithStatus(s, board);
}

std::int16_t SSTTransaction(DeviceState& s, BoardLibrary& board, std::uint8_t writeLength,
                            std::uint8_t readLength, std::span<const std::uint8_t> data)
{
    if (data.size() > kMaxTransactionBytes)
        throw std::out_of_range(std::to_string(data.size()) + " data bytes do not fit; at most " +
                                std::to_string(kMaxTransactionBytes) + " are allowed.");
    s.XferBuffer[0] = s.CurrentAddress;
    s.XferBuffer[1] = writeLength;
    s.XferBuffer[2] = readLength;
    for (std::size_t i = 0; i < data.size(); ++i)
        s.XferBuffer[3 + i] = data[i];
    return USBStuff::SSTExchange(s, board);
}

} // namespace zr::SSTStuff
