// SPDX-License-Identifier: MIT
#include "console/sst_io.h"

#include "console/entry_rules.h"
#include "text/text_rules.h"

#include <algorithm>

namespace zr::sstio {

using entry::Checked;
using entry::Refusal;

std::vector<std::string_view> splitTokens(std::string_view text)
{
    std::vector<std::string_view> tokens;
    if (text.empty())
        return tokens;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            tokens.push_back(text.substr(start));
            return tokens;
        }
        tokens.push_back(text.substr(start, space - start));
        start = space + 1;
    }
}

Checked<std::vector<std::uint8_t>> dataBytes(std::span<const std::string_view> tokens)
{
    if (tokens.empty())
        return Refusal{kNoCommandByteSet};
    if (tokens.size() > kMaxDataBytes)
        return Refusal{"Data To Send: " + std::to_string(tokens.size()) +
                       " bytes; allowed are at most " + std::to_string(kMaxDataBytes) +
                       " (every space separates two bytes, so spaces in a row or at either end "
                       "add zero bytes)."};
    std::vector<std::uint8_t> bytes;
    bytes.reserve(tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const double value = text::leadingNumber("&h" + std::string(tokens[i]));
        if (value > 255)
            return Refusal{"Data To Send: byte " + std::to_string(i + 1) + " (\"" +
                           std::string(tokens[i]) +
                           "\") is more than FF; allowed are 0 to FF (hexadecimal)."};
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

Checked<std::vector<std::uint8_t>> dataBytes(std::string_view dataToSend)
{
    const std::vector<std::string_view> tokens = splitTokens(dataToSend);
    return dataBytes(std::span<const std::string_view>(tokens));
}

namespace {

Checked<std::uint8_t> lengthEntry(std::string_view field, std::string_view text, int max)
{
    const Checked<std::int32_t> n = entry::wholeNumberEntry(field, text, 0, max);
    if (const auto* refusal = std::get_if<Refusal>(&n))
        return *refusal;
    return static_cast<std::uint8_t>(std::get<std::int32_t>(n));
}

} // namespace

Checked<std::uint8_t> writeLength(std::string_view text)
{
    return lengthEntry("Write Length", text, kMaxWriteLength);
}

Checked<std::uint8_t> readLength(std::string_view text)
{
    return lengthEntry("Read Length", text, kMaxReadLength);
}

Checked<Request> request(std::string_view dataToSend, std::string_view writeLengthText,
                         std::string_view readLengthText)
{
    Checked<std::vector<std::uint8_t>> data = dataBytes(dataToSend);
    if (const auto* refusal = std::get_if<Refusal>(&data))
        return *refusal;
    const Checked<std::uint8_t> write = writeLength(writeLengthText);
    if (const auto* refusal = std::get_if<Refusal>(&write))
        return *refusal;
    const Checked<std::uint8_t> read = readLength(readLengthText);
    if (const auto* refusal = std::get_if<Refusal>(&read))
        return *refusal;
    return Request{std::get<std::uint8_t>(write), std::get<std::uint8_t>(read),
                   std::move(std::get<std::vector<std::uint8_t>>(data))};
}

std::span<const std::uint8_t> writtenBytes(const Request& request)
{
    const std::size_t count = std::min<std::size_t>(
        {request.writeLength, request.data.size(), std::size_t{kDataBytesInFrame}});
    return std::span<const std::uint8_t>(request.data.data(), count);
}

int unsentByteCount(std::size_t byteCount)
{
    return byteCount > kDataBytesInFrame ? static_cast<int>(byteCount) - kDataBytesInFrame : 0;
}

std::int16_t send(DeviceState& state, BoardLibrary& board, Chip chip, const Request& request)
{
    selectChip(state, chip);
    return SSTStuff::SSTTransaction(state, board, request.writeLength, request.readLength,
                                    request.data);
}

std::span<const std::uint8_t> shownReply(const DeviceState& state, std::uint8_t readLength)
{
    const std::size_t count = std::min<std::size_t>(readLength + 2u, state.XferBuffer.size());
    return std::span<const std::uint8_t>(state.XferBuffer.data(), count);
}

std::string receivedByteText(std::uint8_t value, ByteForm form)
{
    if (form == ByteForm::Hex)
        return text::hexText(value) + " ";
    return " " + text::decimalText(std::int64_t{value}) + " ";
}

} // namespace zr::sstio
