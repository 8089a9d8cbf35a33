// SPDX-License-Identifier: MIT
#pragma once

// The board library: the two operations through which the program reaches the evaluation board.
// Implementations: the simulated board (board/sim) and the USB board (board/usb).

#include <cstdint>
#include <string>

namespace zr {

inline constexpr std::int16_t SST_VENDOR_REQUEST = 218;
inline constexpr std::int16_t kDirectionToBoard = 0;
inline constexpr std::int16_t kDirectionFromBoard = 1;

class BoardLibrary {
public:
    virtual ~BoardLibrary() = default;

    // Loads the board's firmware from a NUL-terminated path in the 8-bit code page (Latin-1).
    // Negative means failure, zero or positive success.
    virtual std::int16_t LoadFirmWare(const char* path) = 0;

    // One vendor request. Direction 0 sends `length` bytes of `buffer` to the board; direction 1
    // fills `buffer` with `length` bytes of the board's reply. On failure the result is negative
    // and the buffer is left as it was.
    virtual std::int16_t VendorIORequest(std::int16_t request, std::int32_t value,
                                         std::int32_t index, std::int16_t direction,
                                         std::int16_t length, std::uint8_t* buffer) = 0;

    // True once the board is gone (cable pulled, device reset) or has stopped answering: every
    // later request fails until the firmware is loaded again. Callers must then stop turning
    // buffer bytes into readings.
    virtual bool boardLost() const { return false; }

    // True when boardLost() because the board is still there but stopped answering (a request
    // ran into its timeout, or it refused several in a row). The way back is the same.
    virtual bool boardNotResponding() const { return false; }

    // Why the last firmware load or request failed, in words for the user; empty when unknown.
    virtual std::string failureReason() const { return {}; }

    // What the program talks to, in words for the status bar ("Simulated board", "USB board
    // 04B4:1004"): a simulation must never pass for real hardware.
    virtual std::string description() const { return "Evaluation board"; }

    // The USB port path of the board in use ("1-4.2"); empty where there is none or it is unknown.
    virtual std::string portPath() const { return {}; }
};

} // namespace zr
