#pragma once

// The start-up scan: an identifier-block request to every SST address from 64 to 95.

#include "board/board_library.h"
#include "board/device_state.h"

#include <string>

namespace zr {

inline constexpr int kFirstScanAddress = 64;
inline constexpr int kLastScanAddress = 95;
inline constexpr int kDeviceIdA = 132;
inline constexpr int kDeviceIdB = 133;
inline constexpr int kDeviceIdBAlternative = 134;

struct ScanResult {
    bool foundA = false;
    bool foundB = false;
    // Probes the board failed (its result was negative): a chip there may have gone unseen.
    int failedProbes = 0;
    std::string failureReason; // the board's words for the first failed probe
};

// Fills AddressA, AddressB and (for chip B) CurrentAddress from the replies whose client-address
// byte equals the probed address; a later hit overwrites an earlier one. Touches neither
// ResponseStatus nor the identifier-block fields. A board that is lost or stops answering ends
// the scan with BoardLostError.
ScanResult ScanForChips(DeviceState& state, BoardLibrary& board);

} // namespace zr
