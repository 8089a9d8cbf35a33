// SPDX-License-Identifier: MIT
#pragma once

// The USB identities of the evaluation board: its controller before the firmware is loaded, and
// the board the firmware turns it into. Boards with their own ids in an EEPROM override both.

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::usb {

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    friend bool operator==(const UsbId&, const UsbId&) = default;
};

struct UsbIds {
    UsbId unprogrammed{0x04B4, 0x8613}; // the controller without EEPROM, waiting for firmware
    UsbId programmed{0x04B4, 0x1004};   // the board running its firmware
    friend bool operator==(const UsbIds&, const UsbIds&) = default;
};

// "04B4:8613": four uppercase hexadecimal digits each.
std::string usbIdText(UsbId id);

// Reads "UNPROGRAMMED,PROGRAMMED", each VID:PID in hexadecimal of one to four digits, either case
// (e.g. "04b4:8613,04b4:1004"). Throws std::invalid_argument saying what does not fit.
UsbIds parseUsbIds(std::string_view text);

} // namespace zr::usb
