#pragma once

// The start-up scan: an identifier-block request to every SST address from 64 to 95.

#include "board/board_library.h"
#include "board/device_state.h"

namespace zr {

inline constexpr int kFirstScanAddress = 64;
inline constexpr int kLastScanAddress = 95;
inline constexpr int kDeviceIdA = 132;
inline constexpr int kDeviceIdB = 133;
inline constexpr int kDeviceIdBAlternative = 134;

struct ScanResult {
    bool foundA = false;
    bool foundB = false;
};

// Fills AddressA, AddressB and (for chip B) CurrentAddress from the replies whose client-address
// byte equals the probed address; a later hit overwrites an earlier one. Touches neither
// ResponseStatus nor the identifier-block fields.
ScanResult ScanForChips(DeviceState& state, BoardLibrary& board);

} // namespace zr
