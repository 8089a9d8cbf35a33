// SPDX-License-Identifier: MIT
#pragma once

// One vendor request on the board's control pipe, in the board library's terms.

#include <cstdint>
#include <libusb.h>
#include <string>

namespace zr::usb {

struct TransferOutcome {
    int result = 0;         // bytes moved, or negative on failure
    bool boardGone = false; // the device left the bus or its line failed
    std::string reason;     // a phrase for the user when result is negative
};

// Direction 0 sends `length` bytes of `buffer`; direction 1 reads exactly `length` bytes and only
// then copies them into `buffer`, so a failed or short read leaves it as it was.
TransferOutcome vendorTransfer(libusb_device_handle* handle, std::int32_t request,
                               std::int32_t value, std::int32_t index, std::int32_t direction,
                               std::int32_t length, std::uint8_t* buffer, unsigned timeoutMs);

} // namespace zr::usb
