// SPDX-License-Identifier: MIT
#pragma once

// Loading an image into the controller's RAM: hold the CPU in reset, write the image, let it run.

#include "board/usb/controller_ram.h"

#include <libusb.h>
#include <string>
#include <vector>

namespace zr::usb {

// Empty on success, otherwise a sentence for the user. The write that releases the CPU may fail
// without harm: the firmware starts at once and takes the device off the bus, sometimes before
// the request is acknowledged.
std::string uploadToRam(libusb_device_handle* handle, const std::vector<RamChunk>& chunks,
                        unsigned timeoutMs);

} // namespace zr::usb
