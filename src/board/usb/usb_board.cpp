#include "board/usb/usb_board.h"

namespace zr::usb {

UsbBoard::UsbBoard() = default;
UsbBoard::~UsbBoard() = default;

std::int16_t UsbBoard::LoadFirmWare(const char*)
{
    reason_ = "This build has no USB board support yet; start with --board sim.";
    return -1;
}

std::int16_t UsbBoard::VendorIORequest(std::int16_t, std::int32_t, std::int32_t, std::int16_t,
                                       std::int16_t, std::uint8_t*)
{
    return -1;
}

std::string UsbBoard::failureReason() const
{
    return reason_;
}

} // namespace zr::usb
