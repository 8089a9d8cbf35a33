// SPDX-License-Identifier: MIT
#pragma once

// libusb results in words for the user, and which of them mean that the board has gone.

#include <string>

namespace zr::usb {

// A phrase, e.g. "the board refused the request (stall)".
std::string usbErrorText(int libusbError);

// True for results after which the device cannot answer again until it is found anew: it has
// left the bus, or the line to it fails.
bool meansBoardGone(int libusbError);

} // namespace zr::usb
