// SPDX-License-Identifier: MIT
#pragma once

// The start-up scan: an identifier-block request to every SST address from 64 to 95.

#include "board/board_library.h"
#include "board/chips.h"

#include <array>
#include <string>

namespace zr {

inline constexpr int kFirstScanAddress = 64;
inline constexpr int kLastScanAddress = 95;
struct ScanResult {
    std::array<bool, kChipCount> chips{};
    bool found(Chip chip) const { return chips[static_cast<std::size_t>(chipIndex(chip))]; }
    // Probes the board failed (its result was negative): a chip there may have gone unseen.
    int failedProbes = 0;
    std::string failureReason; // the board's words for the first failed probe
};

// Fills each chip's address (and CurrentAddress, for the chip the table marks) from the replies
// whose client-address byte equals the probed address and whose device id is the chip's; a later
// hit overwrites an earlier one. Touches neither ResponseStatus nor the identifier-block fields.
// A board that is lost or stops answering ends the scan with BoardLostError.
ScanResult ScanForChips(DeviceState& state, BoardLibrary& board);

} // namespace zr
