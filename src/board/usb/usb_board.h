#pragma once

#include "board/board_library.h"

#include <memory>

namespace zr::usb {

// The evaluation board over USB.
class UsbBoard : public BoardLibrary {
public:
    UsbBoard();
    ~UsbBoard() override;
    std::int16_t LoadFirmWare(const char* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override;
    std::string failureReason() const override;

private:
    std::string reason_;
};

} // namespace zr::usb
