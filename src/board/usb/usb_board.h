// SPDX-License-Identifier: MIT
#pragma once

#include "board/board_library.h"
#include "board/usb/usb_ids.h"

#include <chrono>
#include <memory>
#include <string>

namespace zr::usb {

// How long one control transfer may take. An SST transaction needs 1-2 ms on full-speed USB
// and a 1 KiB firmware chunk a few more; this leaves a wide margin and still keeps a hung board
// from holding the program for more than a moment.
inline constexpr std::chrono::milliseconds kDefaultTransferTimeout{250};

struct UsbBoardOptions {
    UsbIds ids;
    // The USB port path of the board to use ("1-4.2"); empty: the only board attached.
    std::string portPath;
    std::chrono::milliseconds transferTimeout = kDefaultTransferTimeout;
    // From releasing the controller's CPU until the board is back under its programmed id.
    std::chrono::milliseconds reenumerationTimeout{10000};
};

// The evaluation board over USB (libusb). LoadFirmWare finds the board: a board already running
// its firmware is opened as it is; a controller waiting for firmware gets the Intel HEX image
// loaded into its RAM and is opened once it has come back under the programmed id at the same USB
// port. With several boards attached, one must be chosen by its port path. Loading again after the
// board was lost (unplugged and plugged back) brings it back.
class UsbBoard : public BoardLibrary {
public:
    static constexpr int kStallsInARowMeaningHung = 3;

    UsbBoard();
    explicit UsbBoard(UsbIds ids);
    explicit UsbBoard(UsbBoardOptions options);
    ~UsbBoard() override;

    std::int16_t LoadFirmWare(const char* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override;
    // True whenever no board is open: before the firmware is loaded, after a failed load, once
    // the board has gone, and once it stopped answering (a transfer ran into its timeout, or
    // the board refused kStallsInARowMeaningHung requests in a row), so that nobody decodes a
    // buffer no board wrote and a hung board costs one timeout, not one per request.
    bool boardLost() const override;
    bool boardNotResponding() const override;
    // After a failed LoadFirmWare a sentence; after a failed request a phrase that continues
    // "The evaluation board was lost: ".
    std::string failureReason() const override;
    // "USB board 04B4:1004", followed by the port path once a board was chosen.
    std::string description() const override;
    // The port path of the board the last LoadFirmWare chose; empty before.
    std::string portPath() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zr::usb
