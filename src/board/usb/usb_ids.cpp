// SPDX-License-Identifier: MIT
#include "board/usb/usb_ids.h"

#include "text/text_rules.h"

#include <cstdio>
#include <stdexcept>

namespace zr::usb {
namespace {

std::uint16_t hexField(std::string_view digits, std::string_view id, const char* what)
{
    if (digits.empty() || digits.size() > 4)
        throw std::invalid_argument("'" + std::string(id) + "': the " + what +
                                    " id needs one to four hexadecimal digits");
    unsigned value = 0;
    for (char c : digits) {
        const int digit = text::hexDigitValue(c);
        if (digit < 0)
            throw std::invalid_argument("'" + std::string(id) + "': '" + std::string(1, c) +
                                        "' is not a hexadecimal digit");
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

UsbId parseOne(std::string_view id)
{
    const std::size_t colon = id.find(':');
    if (colon == std::string_view::npos)
        throw std::invalid_argument("'" + std::string(id) +
                                    "' is not a USB id: write VID:PID, e.g. 04b4:8613");
    return UsbId{hexField(id.substr(0, colon), id, "vendor"),
                 hexField(id.substr(colon + 1), id, "product")};
}

} // namespace

std::string usbIdText(UsbId id)
{
    char text[10];
    std::snprintf(text, sizeof text, "%04X:%04X", id.vendor, id.product);
    return text;
}

UsbIds parseUsbIds(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
        throw std::invalid_argument("'" + std::string(text) +
                                    "' needs two USB ids, the unprogrammed and the programmed "
                                    "board, e.g. 04b4:8613,04b4:1004");
    return UsbIds{parseOne(text.substr(0, comma)), parseOne(text.substr(comma + 1))};
}

} // namespace zr::usb
