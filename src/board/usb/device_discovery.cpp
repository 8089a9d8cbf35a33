// SPDX-License-Identifier: MIT
#include "board/usb/device_discovery.h"

#include <thread>

namespace zr::usb {
namespace {

constexpr std::chrono::milliseconds kPollInterval{10};

} // namespace

BusLocation locationOf(libusb_device* device)
{
    return {libusb_get_bus_number(device), libusb_get_device_address(device)};
}

DeviceRef findDevice(libusb_context* context, UsbId id, std::optional<BusLocation> except)
{
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    DeviceRef found;
    for (ssize_t i = 0; i < count && !found; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS)
            continue;
        if (descriptor.idVendor != id.vendor || descriptor.idProduct != id.product)
            continue;
        if (except && locationOf(list[i]) == *except)
            continue;
        found.reset(libusb_ref_device(list[i]));
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    return found;
}

DeviceRef waitForDevice(libusb_context* context, UsbId id, std::optional<BusLocation> except,
                        std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (DeviceRef device = findDevice(context, id, except))
            return device;
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(kPollInterval);
    }
}

OpenedDevice openDevice(libusb_device* device)
{
    libusb_device_handle* handle = nullptr;
    const int result = libusb_open(device, &handle);
    if (result != LIBUSB_SUCCESS)
        return {nullptr, result};
    return {DeviceHandle(handle), 0};
}

OpenedDevice openNewDevice(libusb_device* device, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        OpenedDevice opened = openDevice(device);
        if (opened.error != LIBUSB_ERROR_ACCESS || std::chrono::steady_clock::now() >= deadline)
            return opened;
        std::this_thread::sleep_for(kPollInterval);
    }
}

} // namespace zr::usb
