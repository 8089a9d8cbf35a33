// SPDX-License-Identifier: MIT
#include "board/usb_stuff.h"

#include "board/board_lost_error.h"

#include <stdexcept>
#include <vector>

namespace zr::USBStuff {
namespace {

// Decodes UTF-8 into code points; throws on malformed input.
std::vector<char32_t> decodeUtf8(std::string_view text)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            throw std::invalid_argument("The firmware path is not valid UTF-8 text.");
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size())
                throw std::invalid_argument("The firmware path is not valid UTF-8 text.");
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                throw std::invalid_argument("The firmware path is not valid UTF-8 text.");
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

} // namespace

void CopyPathToBuffer(DeviceState& state, std::string_view text)
{
    const std::vector<char32_t> chars = decodeUtf8(text);
    if (chars.size() > kFirmwarePathSize - 1)
        throw std::invalid_argument("The firmware path has " + std::to_string(chars.size()) +
                                    " characters; at most " +
                                    std::to_string(kFirmwarePathSize - 1) + " fit.");
    for (char32_t c : chars)
        if (c == 0 || c > 0xFF)
            throw std::invalid_argument(
                "The firmware path has a character outside the 8-bit code page.");
    for (std::size_t i = 0; i < chars.size(); ++i)
        state.FirmwarePath[i] = static_cast<std::uint8_t>(chars[i]);
    state.FirmwarePath[chars.size()] = 0;
}

std::int16_t LoadBoardFirmware(DeviceState& state, BoardLibrary& board,
                               std::string_view programFolder, std::string* reason)
{
    state.FirmwareFile = std::string(programFolder) + "/" + kFirmwareFileName;
    try {
        CopyPathToBuffer(state, state.FirmwareFile);
    } catch (const std::invalid_argument& refused) {
        if (reason)
            *reason = refused.what();
        return -1;
    }
    const std::int16_t result =
        board.LoadFirmWare(reinterpret_cast<const char*>(state.FirmwarePath.data()));
    if (result < 0 && reason)
        *reason = board.failureReason();
    return result;
}

std::int16_t SSTExchange(DeviceState& state, BoardLibrary& board)
{
    if (board.boardLost())
        throw boardLostError(board);
    const std::int16_t sent = board.VendorIORequest(SST_VENDOR_REQUEST, 0, 0, kDirectionToBoard, 7,
                                                    state.XferBuffer.data());
    // A board that stopped answering on the frame gets nothing more.
    if (board.boardLost())
        throw boardLostError(board);
    // Without its frame the board would answer with whatever reply it still holds.
    if (sent < 0)
        return sent;
    const std::int16_t result = board.VendorIORequest(SST_VENDOR_REQUEST, 0, 0, kDirectionFromBoard,
                                                      kXferBufferSize, state.XferBuffer.data());
    if (board.boardLost())
        throw boardLostError(board);
    return result;
}

} // namespace zr::USBStuff
