// SPDX-License-Identifier: MIT
#include "board/usb/usb_errors.h"

#include <libusb.h>

namespace zr::usb {

std::string usbErrorText(int libusbError)
{
    switch (libusbError) {
    case LIBUSB_ERROR_NO_DEVICE:
        return "the board is no longer on the USB bus (unplugged or reset)";
    case LIBUSB_ERROR_IO:
        return "the USB line to the board failed (input/output error)";
    case LIBUSB_ERROR_PIPE:
        return "the board refused the request (stall)";
    case LIBUSB_ERROR_TIMEOUT:
        return "the board did not answer in time";
    case LIBUSB_ERROR_OVERFLOW:
        return "the board sent more bytes than were asked for";
    case LIBUSB_ERROR_ACCESS:
        return "permission denied";
    case LIBUSB_ERROR_BUSY:
        return "the board is in use by another program";
    case LIBUSB_ERROR_NO_MEM:
        return "out of memory";
    default:
        return std::string("USB error: ") + libusb_strerror(libusbError);
    }
}

bool meansBoardGone(int libusbError)
{
    return libusbError == LIBUSB_ERROR_NO_DEVICE || libusbError == LIBUSB_ERROR_IO;
}

} // namespace zr::usb
