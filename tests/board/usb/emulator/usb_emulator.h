// SPDX-License-Identifier: MIT
#pragma once

// An emulated evaluation board on an emulated USB bus (umockdev), for running the real libusb
// code of the USB board library without hardware. The controller accepts RAM writes (request
// 0xA0) while it waits for firmware, and re-enumerates under the programmed id once its CPU is
// released; the programmed board hands request 218 to a BoardLibrary (the simulated board).
//
// libusb must run in a process started under umockdev-wrapper (LD_PRELOAD of umockdev's preload
// library). The emulator itself may run in that process (tests) or in a parent that starts the
// program under the preload (usb_emulator_run): umockdev carries ioctls over a socket.
// Device requests are answered on umockdev's own thread; everything here is thread-safe.
// The emulated device node lets one client at a time claim the board's interface, as the kernel
// does, so a second program on the same board meets "busy".

#include "board/board_library.h"
#include "board/usb/usb_ids.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zr::usbtest {

struct ControlTransfer {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;       // wLength of the setup packet
    std::vector<std::uint8_t> data; // host to device: the bytes sent; else the bytes answered
    int status = 0;      // 0, or the negative errno it ended with (-ETIMEDOUT: never answered)
    std::string devnode; // which enumeration of the board it went to
};

// What a control transfer meets instead of its answer.
enum class Fault {
    Stall,      // the device refuses it
    ShortReply, // a read gets fewer bytes than asked for (reads only)
    NoReply,    // the device never answers: the host's timeout ends it
    LineError,  // the transfer fails on the wire (-EPROTO)
    Unplug,     // the cable is pulled while the transfer is in flight
};

struct EmulatorOptions {
    usb::UsbIds ids;
    // The socket: the ports from bus 1's root hub, joined by '.' ("4.2" is port path "1-4.2",
    // behind an emulated hub at "1-4"). It stays the same across re-enumerations and replugs.
    // Several emulators in one process share the bus, each at its own port.
    std::string port = "1";
    // The serial string the board reports (string descriptor 3); none when empty.
    std::string serial;
    BoardLibrary* board = nullptr; // answers request 218; without one the board stalls it
    // From the CPU's release until the programmed board appears.
    std::chrono::milliseconds reenumerationDelay{20};
    bool comesBackAfterUpload = true;
    // Real controllers often leave the bus before acknowledging the release.
    bool releaseFails = true;
};

class UsbEmulator {
public:
    explicit UsbEmulator(EmulatorOptions options = {});
    ~UsbEmulator();
    UsbEmulator(const UsbEmulator&) = delete;
    UsbEmulator& operator=(const UsbEmulator&) = delete;

    // False outside umockdev-wrapper: callers skip (exit 77).
    static bool inMockEnvironment();

    // Each plug is a new enumeration with a new device address; a board already attached is
    // unplugged first.
    void plugUnprogrammed();
    void plugProgrammed();
    // The cable is pulled: transfers in flight end with -ESHUTDOWN, later ones fail with ENODEV.
    void unplug();
    bool attached() const;
    std::string devnode() const; // of the attached board; empty when none
    int enumerations() const;    // plugs so far, re-enumerations included

    // The device node refuses to open (as without the udev rule).
    void denyAccess();
    // The folders a user without privileges needs to find the board.
    void openTestbedToEveryone();

    // The fault meets the control transfer that follows `afterTransfers` others (reads only
    // count for ShortReply).
    void failTransfer(Fault fault, int afterTransfers = 0, int shortLength = 0);
    // As failTransfer, but every later transfer meets it too, until clearFaults(): a board that
    // hangs (NoReply) or refuses everything (Stall).
    void failEveryTransfer(Fault fault, int afterTransfers = 0);
    void clearFaults();
    // Every later answer comes this much later (0: at once), as from a board behind a slow hub.
    void setLatency(std::chrono::microseconds latency);

    std::vector<ControlTransfer> transfers() const;
    void clearTransfers();
    // The controller's RAM (64 KiB) as the 0xA0 writes left it; 0xFF where never written.
    std::vector<std::uint8_t> ram() const;

    // Waits until the attached board has `id`, at most `timeout`.
    bool waitForBoard(usb::UsbId id, std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zr::usbtest
