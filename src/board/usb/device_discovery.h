// SPDX-License-Identifier: MIT
#pragma once

// Finding the board's controller on the bus by its USB identity, and waiting for it to come back
// under another identity once it has left the bus to run its firmware.

#include "board/usb/usb_handles.h"
#include "board/usb/usb_ids.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace zr::usb {

// Where a device sits on the bus. The kernel gives a device that re-enumerates a new address.
struct BusLocation {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    friend bool operator==(const BusLocation&, const BusLocation&) = default;
};

BusLocation locationOf(libusb_device* device);

// The first device with `id`, other than the one at `except`; null when there is none.
DeviceRef findDevice(libusb_context* context, UsbId id,
                     std::optional<BusLocation> except = std::nullopt);

// Looks for the device again and again until `deadline`; null when it did not appear.
DeviceRef waitForDevice(libusb_context* context, UsbId id, std::optional<BusLocation> except,
                        std::chrono::steady_clock::time_point deadline);

struct OpenedDevice {
    DeviceHandle handle; // null on failure
    int error = 0;       // the libusb result when handle is null
};

OpenedDevice openDevice(libusb_device* device);

// Opens a device that has just appeared. Its node may still be waiting for the rule that gives
// the user access, so "permission denied" is retried until `deadline`.
OpenedDevice openNewDevice(libusb_device* device, std::chrono::steady_clock::time_point deadline);

} // namespace zr::usb
