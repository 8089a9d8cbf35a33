#include "board/usb/usb_board.h"

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

std::string boardText(UsbId id)
{
    return "The evaluation board (USB " + usbIdText(id) + ")";
}

std::string cannotOpenText(UsbId id, int error)
{
    if (error == LIBUSB_ERROR_ACCESS)
        return boardText(id) +
               " is attached, but this user may not open it. Install the udev rule " +
               ZR_UDEV_RULE_FILE +
               " (make install puts it there), then unplug the board and "
               "plug it in again.";
    if (error == LIBUSB_ERROR_BUSY)
        return boardText(id) + " is in use by another program.";
    return boardText(id) + " is attached but cannot be opened: " + usbErrorText(error) + ".";
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
    std::int16_t useBoard(libusb_device* device,
                          std::optional<std::chrono::steady_clock::time_point> appearedUntil);
    std::int16_t loadInto(libusb_device* controller, const char* path);
    unsigned transferTimeoutMs() const
    {
        return static_cast<unsigned>(options.transferTimeout.count());
    }

    UsbBoardOptions options;
    // Declared before the handle so that the handle is closed first.
    UsbContext context;
    DeviceHandle board; // null while no board is open
    std::string reason;
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

// Opens the programmed board and claims its interface, so that no second program interleaves its
// requests with ours. A device that has just appeared gets time for its access rule.
std::int16_t
UsbBoard::Impl::useBoard(libusb_device* device,
                         std::optional<std::chrono::steady_clock::time_point> appearedUntil)
{
    OpenedDevice opened =
        appearedUntil ? openNewDevice(device, *appearedUntil) : openDevice(device);
    if (!opened.handle)
        return fail(cannotOpenText(options.ids.programmed, opened.error));
    const int claim = libusb_claim_interface(opened.handle.get(), kBoardInterface);
    if (claim == LIBUSB_ERROR_BUSY || claim == LIBUSB_ERROR_NO_DEVICE)
        return fail(cannotOpenText(options.ids.programmed, claim));
    board = std::move(opened.handle);
    return 0;
}

std::int16_t UsbBoard::Impl::loadInto(libusb_device* controller, const char* path)
{
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
            return fail(cannotOpenText(options.ids.unprogrammed, opened.error));
        if (std::string problem = uploadToRam(opened.handle.get(), image, transferTimeoutMs());
            !problem.empty())
            return fail(std::move(problem));
    }
    const auto deadline = std::chrono::steady_clock::now() + options.reenumerationTimeout;
    DeviceRef programmed = waitForDevice(context.get(), options.ids.programmed, before, deadline);
    if (!programmed)
        return fail(boardText(options.ids.unprogrammed) +
                    " took its firmware but did not come back as USB " +
                    usbIdText(options.ids.programmed) + " within " +
                    std::to_string(options.reenumerationTimeout.count()) + " ms.");
    return useBoard(programmed.get(), deadline);
}

UsbBoard::UsbBoard() : UsbBoard(UsbBoardOptions{}) {}
UsbBoard::UsbBoard(UsbIds ids) : UsbBoard(UsbBoardOptions{ids}) {}
UsbBoard::UsbBoard(UsbBoardOptions options) : d(new Impl(options)) {}
UsbBoard::~UsbBoard() = default;

std::int16_t UsbBoard::LoadFirmWare(const char* path)
{
    d->board.reset();
    d->reason.clear();
    if (!path)
        return d->fail("No firmware file was named.");
    if (!d->ensureContext())
        return -1;
    if (DeviceRef programmed = findDevice(d->context.get(), d->options.ids.programmed))
        return d->useBoard(programmed.get(), std::nullopt);
    DeviceRef controller = findDevice(d->context.get(), d->options.ids.unprogrammed);
    if (!controller)
        return d->fail("No evaluation board is attached: there is no USB device " +
                       usbIdText(d->options.ids.unprogrammed) + " (waiting for firmware) or " +
                       usbIdText(d->options.ids.programmed) + " (running it).");
    return d->loadInto(controller.get(), path);
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
    if (outcome.result < 0) {
        d->reason = std::move(outcome.reason);
        if (outcome.boardGone)
            d->board.reset();
        return -1;
    }
    return static_cast<std::int16_t>(outcome.result);
}

bool UsbBoard::boardLost() const
{
    return !d->board;
}

std::string UsbBoard::failureReason() const
{
    return d->reason;
}

std::string UsbBoard::description() const
{
    return "USB board " + usbIdText(d->options.ids.programmed);
}

} // namespace zr::usb
