// SPDX-License-Identifier: MIT
#include "board/address_scan.h"

#include "board/sst_stuff.h"
#include "board/usb_stuff.h"

namespace zr {

ScanResult ScanForChips(DeviceState& s, BoardLibrary& board)
{
    ScanResult found;
    for (int address = kFirstScanAddress; address <= kLastScanAddress; ++address) {
        s.XferBuffer[0] = static_cast<std::uint8_t>(address);
        s.XferBuffer[1] = 1;
        s.XferBuffer[2] = 16;
        s.XferBuffer[3] = SSTStuff::kCmdGetDIB;
        if (USBStuff::SSTExchange(s, board) < 0) {
            // The buffer holds no reply from this address.
            if (found.failedProbes++ == 0)
                found.failureReason = board.failureReason();
            continue;
        }
        if (s.XferBuffer[16] != address)
            continue;
        const int deviceIdLow = s.XferBuffer[5];
        for (const ChipDescriptor& chip : kChips) {
            if (deviceIdLow != chip.deviceId && deviceIdLow != chip.alternativeDeviceId)
                continue;
            found.chips[static_cast<std::size_t>(chipIndex(chip.chip))] = true;
            s.*chip.address = static_cast<std::int16_t>(address);
            if (chip.selectedAfterScan)
                s.CurrentAddress = static_cast<std::uint8_t>(address);
        }
    }
    return found;
}

} // namespace zr
