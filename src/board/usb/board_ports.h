// SPDX-License-Identifier: MIT
#pragma once

// Evaluation boards by the USB socket they are plugged into. A board's port path ("1-4.2": the
// bus, then the port on each hub from the root) stays the same when its firmware makes it leave
// the bus and come back under the programmed id, and when it is unplugged and plugged back into
// the same socket, so it names one board of several across both.

#include "board/usb/usb_handles.h"
#include "board/usb/usb_ids.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace zr::usb {

// "1-4.2"; "" for a root hub, which has no port.
std::string portPathOf(libusb_device* device);

// True for the form of a port path: bus number, '-', then port numbers joined by '.'.
bool isPortPath(std::string_view text);

struct AttachedBoard {
    DeviceRef device;
    std::string portPath;
    UsbId id;
    bool programmed = false; // running the firmware, rather than waiting for it
};

// Every device with one of the two ids, in port path order.
std::vector<AttachedBoard> attachedBoards(libusb_context* context, const UsbIds& ids);

// "1-4.2 (USB 04B4:1004, running its firmware)"
std::string boardSummary(const AttachedBoard& board);

// The board at `portPath` with `id`; looks again and again until `deadline`. Null when it did
// not appear. Boards at other ports are never taken, whatever their ids.
DeviceRef waitForBoardAt(libusb_context* context, UsbId id, const std::string& portPath,
                         std::chrono::steady_clock::time_point deadline);

// What `zr410ab-cli boards` shows of each board.
struct BoardListing {
    std::string portPath;
    UsbId id;
    bool programmed = false;
    std::string serial; // empty when the board has none, or it could not be read
};

// Lists the attached evaluation boards; throws std::runtime_error when USB cannot be used.
std::vector<BoardListing> listEvaluationBoards(const UsbIds& ids);

} // namespace zr::usb
