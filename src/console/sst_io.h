// SPDX-License-Identifier: MIT
#pragma once

// A raw SST transaction typed in by the user, shared by the settings windows' "General SST IO"
// panel and the command-line tool so that both read the input by the same rules and refuse the
// same things: data bytes are hexadecimal tokens separated by spaces, the two lengths are decimal
// numbers, and anything that does not fit its byte or the transfer buffer is refused before the
// board sees a request.

#include "board/board_library.h"
#include "board/chips.h"
#include "board/sst_stuff.h"
#include "console/checked_entry.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr::sstio {

inline constexpr int kMaxDataBytes = SSTStuff::kMaxTransactionBytes; // XferBuffer bytes 3..63
inline constexpr int kMaxWriteLength = 255;
// The reply bytes shown, read length + 2 of them, must lie within the 64-byte buffer.
inline constexpr int kMaxReadLength = kXferBufferSize - 2;
// The request frame is 7 bytes: address, write length, read length and the first 4 data bytes.
inline constexpr int kDataBytesInFrame = 4;

inline constexpr const char* kNoCommandByteSet = "No command byte set";

struct Request {
    std::uint8_t writeLength = 0;
    std::uint8_t readLength = 0;
    std::vector<std::uint8_t> data; // one byte per token, the command byte first
};

// Every space separates: n spaces give n + 1 tokens, so spaces in a row or at either end give
// empty tokens. An empty text gives no tokens.
std::vector<std::string_view> splitTokens(std::string_view text);

// The bytes of the tokens, each its leading hexadecimal digits (an empty token, or one that starts
// with anything else, is 0; "0x1F" is 0). No tokens at all: "No command byte set".
entry::Checked<std::vector<std::uint8_t>> dataBytes(std::span<const std::string_view> tokens);
entry::Checked<std::vector<std::uint8_t>> dataBytes(std::string_view dataToSend);

entry::Checked<std::uint8_t> writeLength(std::string_view text);
entry::Checked<std::uint8_t> readLength(std::string_view text);

// The whole input, checked in the order data, write length, read length; the first refusal wins.
entry::Checked<Request> request(std::string_view dataToSend, std::string_view writeLengthText,
                                std::string_view readLengthText);

// The bytes the chip receives: the command byte and the data after it, as far as the write
// length reaches and the request frame carries them.
std::span<const std::uint8_t> writtenBytes(const Request& request);

// How many of `byteCount` data bytes stay behind in the buffer instead of travelling to the board.
int unsentByteCount(std::size_t byteCount);

// Points the shared state at `chip` and runs the transaction; the reply is left in XferBuffer.
// Returns the board's result of the read: negative when the buffer holds no reply.
std::int16_t send(DeviceState& state, BoardLibrary& board, Chip chip, const Request& request);

// The reply bytes shown for a read length r: XferBuffer bytes 0 to r + 1.
std::span<const std::uint8_t> shownReply(const DeviceState& state, std::uint8_t readLength);

enum class ByteForm { Hex, Decimal };

// One received byte as appended to the received text: "FF " in hex, " 255 " in decimal.
std::string receivedByteText(std::uint8_t value, ByteForm form);

} // namespace zr::sstio
