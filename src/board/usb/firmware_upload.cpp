// SPDX-License-Identifier: MIT
#include "board/usb/firmware_upload.h"

#include "board/usb/usb_errors.h"

#include <cstdio>

namespace zr::usb {
namespace {

constexpr std::uint8_t kHostToDeviceVendor = 0x40; // out, vendor, to the device
constexpr std::uint8_t kHoldCpu = 1;
constexpr std::uint8_t kRunCpu = 0;

int writeRam(libusb_device_handle* handle, std::uint16_t address, const std::uint8_t* bytes,
             std::size_t count, unsigned timeoutMs)
{
    return libusb_control_transfer(handle, kHostToDeviceVendor, kRamWriteRequest, address, 0,
                                   const_cast<std::uint8_t*>(bytes),
                                   static_cast<std::uint16_t>(count), timeoutMs);
}

std::string addressText(std::uint16_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

} // namespace

std::string uploadToRam(libusb_device_handle* handle, const std::vector<RamChunk>& chunks,
                        unsigned timeoutMs)
{
    int result = writeRam(handle, kCpuControlRegister, &kHoldCpu, 1, timeoutMs);
    if (result != 1)
        return "The board's controller did not stop its CPU for the firmware: " +
               (result < 0 ? usbErrorText(result) : std::string("the request was cut short")) + ".";
    for (const RamChunk& chunk : chunks) {
        result = writeRam(handle, chunk.address, chunk.bytes.data(), chunk.bytes.size(), timeoutMs);
        if (result != static_cast<int>(chunk.bytes.size()))
            return "Loading the firmware stopped at address " + addressText(chunk.address) + ": " +
                   (result < 0 ? usbErrorText(result)
                               : "the board took " + std::to_string(result) + " of " +
                                     std::to_string(chunk.bytes.size()) + " bytes") +
                   ".";
    }
    writeRam(handle, kCpuControlRegister, &kRunCpu, 1, timeoutMs);
    return {};
}

} // namespace zr::usb
