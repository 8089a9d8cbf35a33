// SPDX-License-Identifier: MIT
#include "board/usb/board_ports.h"

#include "board/usb/usb_errors.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <thread>

namespace zr::usb {
namespace {

constexpr std::chrono::milliseconds kPollInterval{10};
constexpr int kMaxPortDepth = 7; // the USB limit of hub tiers

std::string serialOf(libusb_device* device, const libusb_device_descriptor& descriptor)
{
    if (descriptor.iSerialNumber == 0)
        return {};
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS)
        return {};
    const DeviceHandle opened(handle);
    unsigned char text[128] = {};
    const int length =
        libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text, sizeof text);
    if (length <= 0)
        return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

} // namespace

std::string portPathOf(libusb_device* device)
{
    std::uint8_t ports[kMaxPortDepth];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
    if (depth <= 0)
        return {};
    std::string path = std::to_string(libusb_get_bus_number(device)) + "-";
    for (int i = 0; i < depth; ++i)
        path += (i ? "." : "") + std::to_string(ports[i]);
    return path;
}

bool isPortPath(std::string_view text)
{
    auto number = [&text](std::size_t& at) {
        int value = 0;
        const auto [end, error] =
            std::from_chars(text.data() + at, text.data() + text.size(), value);
        if (error != std::errc() || end == text.data() + at || value < 0 || value > 255)
            return false;
        at = static_cast<std::size_t>(end - text.data());
        return true;
    };
    std::size_t at = 0;
    if (!number(at) || at >= text.size() || text[at] != '-')
        return false;
    for (int depth = 0; depth < kMaxPortDepth; ++depth) {
        ++at;
        if (!number(at))
            return false;
        if (at == text.size())
            return true;
        if (text[at] != '.')
            return false;
    }
    return false;
}

std::vector<AttachedBoard> attachedBoards(libusb_context* context, const UsbIds& ids)
{
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    std::vector<AttachedBoard> boards;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS)
            continue;
        const UsbId id{descriptor.idVendor, descriptor.idProduct};
        if (id != ids.programmed && id != ids.unprogrammed)
            continue;
        boards.push_back(
            {DeviceRef(libusb_ref_device(list[i])), portPathOf(list[i]), id, id == ids.programmed});
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    std::sort(boards.begin(), boards.end(), [](const AttachedBoard& a, const AttachedBoard& b) {
        return a.portPath < b.portPath;
    });
    return boards;
}

std::string boardSummary(const AttachedBoard& board)
{
    return board.portPath + " (USB " + usbIdText(board.id) + ", " +
           (board.programmed ? "running its firmware" : "waiting for firmware") + ")";
}

DeviceRef waitForBoardAt(libusb_context* context, UsbId id, const std::string& portPath,
                         std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        for (AttachedBoard& board : attachedBoards(context, UsbIds{id, id}))
            if (board.portPath == portPath)
                return std::move(board.device);
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::vector<BoardListing> listEvaluationBoards(const UsbIds& ids)
{
    libusb_context* created = nullptr;
    if (const int result = libusb_init(&created); result != LIBUSB_SUCCESS)
        throw std::runtime_error("USB cannot be used on this system: " + usbErrorText(result) +
                                 ".");
    const UsbContext context(created);
    std::vector<BoardListing> listing;
    for (const AttachedBoard& board : attachedBoards(context.get(), ids)) {
        libusb_device_descriptor descriptor{};
        libusb_get_device_descriptor(board.device.get(), &descriptor);
        listing.push_back(
            {board.portPath, board.id, board.programmed, serialOf(board.device.get(), descriptor)});
    }
    return listing;
}

} // namespace zr::usb
