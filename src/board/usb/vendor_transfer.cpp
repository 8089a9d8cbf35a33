// SPDX-License-Identifier: MIT
#include "board/usb/vendor_transfer.h"

#include "board/board_library.h"
#include "board/usb/usb_errors.h"

#include <algorithm>
#include <vector>

namespace zr::usb {
namespace {

constexpr std::int32_t kLargestTransfer = 4096;
constexpr std::uint8_t kVendorToDevice = 0x40;   // out, vendor, to the device
constexpr std::uint8_t kVendorFromDevice = 0xC0; // in, vendor, from the device

TransferOutcome refused(std::string reason)
{
    return {-1, false, std::move(reason)};
}

std::string refusal(std::int32_t request, std::int32_t value, std::int32_t index,
                    std::int32_t direction, std::int32_t length, const std::uint8_t* buffer)
{
    if (request < 0 || request > 0xFF)
        return "vendor request " + std::to_string(request) + " does not fit in a byte";
    if (value < 0 || value > 0xFFFF || index < 0 || index > 0xFFFF)
        return "a vendor request's value and index must lie in 0..65535";
    if (direction != kDirectionToBoard && direction != kDirectionFromBoard)
        return "direction " + std::to_string(direction) +
               " is neither 0 (to the board) nor 1 "
               "(from the board)";
    if (length < 0 || length > kLargestTransfer)
        return "a transfer of " + std::to_string(length) + " bytes is not possible";
    if (length > 0 && !buffer)
        return "no buffer was given for the transfer";
    return {};
}

} // namespace

TransferOutcome vendorTransfer(libusb_device_handle* handle, std::int32_t request,
                               std::int32_t value, std::int32_t index, std::int32_t direction,
                               std::int32_t length, std::uint8_t* buffer, unsigned timeoutMs)
{
    if (std::string why = refusal(request, value, index, direction, length, buffer); !why.empty())
        return refused(std::move(why));

    const bool toBoard = direction == kDirectionToBoard;
    const std::uint8_t requestType = toBoard ? kVendorToDevice : kVendorFromDevice;
    std::vector<std::uint8_t> reply(toBoard ? 0 : static_cast<std::size_t>(length));
    const int result = libusb_control_transfer(
        handle, requestType, static_cast<std::uint8_t>(request), static_cast<std::uint16_t>(value),
        static_cast<std::uint16_t>(index), toBoard ? buffer : reply.data(),
        static_cast<std::uint16_t>(length), timeoutMs);

    if (result == LIBUSB_ERROR_TIMEOUT)
        return {result, false,
                "the board did not answer within " + std::to_string(timeoutMs) + " ms"};
    if (result < 0)
        return {result, meansBoardGone(result), usbErrorText(result)};
    if (result != length)
        return refused(std::string(toBoard ? "the board took " : "the board answered ") +
                       std::to_string(result) + " of " + std::to_string(length) + " bytes");
    if (!toBoard)
        std::copy(reply.begin(), reply.end(), buffer);
    return {result, false, {}};
}

} // namespace zr::usb
