// SPDX-License-Identifier: MIT
#include "board/usb/usb_board.h"

#include "board/usb/board_ports.h"
#include "board/usb/controller_ram.h"
#include "board/usb/device_discovery.h"
#include "board/usb/firmware_upload.h"
#include "board/usb/usb_errors.h"
#include "board/usb/vendor_transfer.h"

#ifndef ZR_UDEV_RULE_FILE
#define ZR_UDEV_RULE_FILE "70-zr410ab.rules"
#endif

namespace zr::usb {
namespace {

constexpr int kBoardInterface = 0;

// The path arrives in the 8-bit code page (Latin-1); the file system speaks UTF-8.
std::string utf8FromLatin1(const char* latin1)
{
    std::string utf8;
    for (const char* p = latin1; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::string boardText(UsbId id, const std::string& portPath)
{
    return "The evaluation board (USB " + usbIdText(id) +
           (portPath.empty() ? "" : " at port " + portPath) + ")";
}

std::string cannotOpenText(UsbId id, const std::string& portPath, int error)
{
    if (error == LIBUSB_ERROR_ACCESS)
        return boardText(id, portPath) +
               " is attached, but this user may not open it. Install the udev rule " +
               ZR_UDEV_RULE_FILE +
               " (make install puts it there), then unplug the board and "
               "plug it in again.";
    if (error == LIBUSB_ERROR_BUSY)
        return boardText(id, portPath) +
               " is in use by another program: its interface is already claimed (is another "
               "zr410ab or zr410ab-cli using this board?).";
    return boardText(id, portPath) + " is attached but cannot be opened: " + usbErrorText(error) +
           ".";
}

UsbBoardOptions optionsWithIds(UsbIds ids)
{
    UsbBoardOptions options;
    options.ids = ids;
    return options;
}

std::string boardList(const std::vector<AttachedBoard>& boards)
{
    std::string text;
    for (const AttachedBoard& board : boards)
        text += (text.empty() ? "" : "; ") + boardSummary(board);
    return text;
}

} // namespace

struct UsbBoard::Impl {
    explicit Impl(UsbBoardOptions o) : options(o) {}

    std::int16_t fail(std::string why)
    {
        reason = std::move(why);
        return -1;
    }
    bool ensureContext();
    // The board to use: the one at the chosen port, or the only one attached. Empty with the
    // reason set when there is none, or several and none was chosen.
    std::optional<AttachedBoard> chooseBoard();
    std::int16_t useBoard(libusb_device* device, const std::string& portPath,
                          std::optional<std::chrono::steady_clock::time_point> appearedUntil);
    std::int16_t loadInto(const AttachedBoard& controller, const char* path);
    unsigned transferTimeoutMs() const
    {
        return static_cast<unsigned>(options.transferTimeout.count());
    }

    // The board is there but does not answer: closed like a lost one until loaded again.
    void stopAnswering(std::string why)
    {
        reason = std::move(why);
        board.reset();
        notResponding = true;
    }

    UsbBoardOptions options;
    // Declared before the handle so that the handle is closed first.
    UsbContext context;
    DeviceHandle board;   // null while no board is open
    std::string portPath; // of the board last chosen
    std::string reason;
    bool notResponding = false;
    int stallsInARow = 0;
};

bool UsbBoard::Impl::ensureContext()
{
    if (context)
        return true;
    libusb_context* created = nullptr;
    const int result = libusb_init(&created);
    if (result != LIBUSB_SUCCESS) {
        reason = "USB cannot be used on this system: " + usbErrorText(result) + ".";
        return false;
    }
    context.reset(created);
    return true;
}

std::optional<AttachedBoard> UsbBoard::Impl::chooseBoard()
{
    std::vector<AttachedBoard> boards = attachedBoards(context.get(), options.ids);
    const std::string waitingOrRunning =
        "there is no USB device " + usbIdText(options.ids.unprogrammed) +
        " (waiting for firmware) or " + usbIdText(options.ids.programmed) + " (running it)";
    if (!options.portPath.empty()) {
        for (AttachedBoard& attached : boards)
            if (attached.portPath == options.portPath)
                return std::move(attached);
        fail("No evaluation board is attached at USB port " + options.portPath + ": " +
             (boards.empty() ? waitingOrRunning + " at all."
                             : "the boards attached are " + boardList(boards) + "."));
        return std::nullopt;
    }
    if (boards.empty()) {
        fail("No evaluation board is attached: " + waitingOrRunning + ".");
        return std::nullopt;
    }
    if (boards.size() > 1) {
        fail("Several evaluation boards are attached: " + boardList(boards) +
             ". Choose one with --device PORTPATH.");
        return std::nullopt;
    }
    return std::move(boards.front());
}

// Opens the programmed board and claims its interface, so that no second program interleaves its
// requests with ours. A device that has just appeared gets time for its access rule.
std::int16_t
UsbBoard::Impl::useBoard(libusb_device* device, const std::string& port,
                         std::optional<std::chrono::steady_clock::time_point> appearedUntil)
{
    OpenedDevice opened =
        appearedUntil ? openNewDevice(device, *appearedUntil) : openDevice(device);
    if (!opened.handle)
        return fail(cannotOpenText(options.ids.programmed, port, opened.error));
    const int claim = libusb_claim_interface(opened.handle.get(), kBoardInterface);
    if (claim == LIBUSB_ERROR_BUSY || claim == LIBUSB_ERROR_NO_DEVICE)
        return fail(cannotOpenText(options.ids.programmed, port, claim));
    board = std::move(opened.handle);
    return 0;
}

std::int16_t UsbBoard::Impl::loadInto(const AttachedBoard& chosen, const char* path)
{
    libusb_device* controller = chosen.device.get();
    std::vector<RamChunk> image;
    try {
        image = readControllerFirmware(utf8FromLatin1(path));
    } catch (const std::exception& unusable) {
        return fail(unusable.what());
    }
    const BusLocation before = locationOf(controller);
    {
        OpenedDevice opened = openDevice(controller);
        if (!opened.handle)
            return fail(cannotOpenText(options.ids.unprogrammed, chosen.portPath, opened.error));
        if (std::string problem = uploadToRam(opened.handle.get(), image, transferTimeoutMs());
            !problem.empty())
            return fail(std::move(problem));
    }
    const auto deadline = std::chrono::steady_clock::now() + options.reenumerationTimeout;
    // The same socket, not just the same ids: another board may be attached or appear meanwhile.
    DeviceRef programmed =
        chosen.portPath.empty()
            ? waitForDevice(context.get(), options.ids.programmed, before, deadline)
            : waitForBoardAt(context.get(), options.ids.programmed, chosen.portPath, deadline);
    if (!programmed)
        return fail(boardText(options.ids.unprogrammed, chosen.portPath) +
                    " took its firmware but did not come back as USB " +
                    usbIdText(options.ids.programmed) + " within " +
                    std::to_string(options.reenumerationTimeout.count()) + " ms.");
    return useBoard(programmed.get(), chosen.portPath, deadline);
}

UsbBoard::UsbBoard() : UsbBoard(UsbBoardOptions{}) {}
UsbBoard::UsbBoard(UsbIds ids) : UsbBoard(optionsWithIds(ids)) {}
UsbBoard::UsbBoard(UsbBoardOptions options) : d(new Impl(options)) {}
UsbBoard::~UsbBoard() = default;

std::int16_t UsbBoard::LoadFirmWare(const char* path)
{
    d->board.reset();
    d->reason.clear();
    d->notResponding = false;
    d->stallsInARow = 0;
    if (!path)
        return d->fail("No firmware file was named.");
    if (!d->ensureContext())
        return -1;
    std::optional<AttachedBoard> chosen = d->chooseBoard();
    if (!chosen)
        return -1;
    d->portPath = chosen->portPath;
    if (chosen->programmed)
        return d->useBoard(chosen->device.get(), chosen->portPath, std::nullopt);
    return d->loadInto(*chosen, path);
}

std::int16_t UsbBoard::VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                       std::int16_t direction, std::int16_t length,
                                       std::uint8_t* buffer)
{
    if (!d->board) {
        if (d->reason.empty())
            d->reason = "the board has not been opened yet";
        return -1;
    }
    TransferOutcome outcome = vendorTransfer(d->board.get(), request, value, index, direction,
                                             length, buffer, d->transferTimeoutMs());
    d->stallsInARow = outcome.result == LIBUSB_ERROR_PIPE ? d->stallsInARow + 1 : 0;
    if (outcome.result >= 0)
        return static_cast<std::int16_t>(outcome.result);
    if (outcome.boardGone) {
        d->reason = std::move(outcome.reason);
        d->board.reset();
    } else if (outcome.result == LIBUSB_ERROR_TIMEOUT) {
        d->stopAnswering(std::move(outcome.reason));
    } else if (d->stallsInARow >= kStallsInARowMeaningHung) {
        d->stopAnswering("the board refused " + std::to_string(d->stallsInARow) +
                         " requests in a row (stall)");
    } else {
        d->reason = std::move(outcome.reason);
    }
    return -1;
}

bool UsbBoard::boardLost() const
{
    return !d->board;
}

bool UsbBoard::boardNotResponding() const
{
    return !d->board && d->notResponding;
}

std::string UsbBoard::failureReason() const
{
    return d->reason;
}

std::string UsbBoard::description() const
{
    const std::string board = "USB board " + usbIdText(d->options.ids.programmed);
    return d->portPath.empty() ? board : board + " at " + d->portPath;
}

std::string UsbBoard::portPath() const
{
    return d->portPath;
}

} // namespace zr::usb
