// SPDX-License-Identifier: MIT
#pragma once

// Owning handles for libusb objects, so that every return path releases what it opened.

#include <libusb.h>
#include <memory>

namespace zr::usb {

struct ContextRelease {
    void operator()(libusb_context* context) const { libusb_exit(context); }
};
struct DeviceRelease {
    void operator()(libusb_device* device) const { libusb_unref_device(device); }
};
struct HandleRelease {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};

using UsbContext = std::unique_ptr<libusb_context, ContextRelease>;
using DeviceRef = std::unique_ptr<libusb_device, DeviceRelease>;
using DeviceHandle = std::unique_ptr<libusb_device_handle, HandleRelease>;

} // namespace zr::usb
