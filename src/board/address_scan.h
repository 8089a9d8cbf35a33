#pragma once

// The start-up scan: an identifier-block request to every SST address from 64 to 95.

#include "board/board_library.h"
#include "board/chips.h"

#include <array>

namespace zr {

inline constexpr int kFirstScanAddress = 64;
inline constexpr int kLastScanAddress = 95;
struct ScanResult {
    std::array<bool, kChipCount> chips{};
    bool found(Chip chip) const { return chips[static_cast<std::size_t>(chipIndex(chip))]; }
};

// Fills each chip's address (and CurrentAddress, for the chip the table marks) from the replies
// whose client-address byte equals the probed address and whose device id is the chip's; a later
// hit overwrites an earlier one. Touches neither ResponseStatus nor the identifier-block fields.
ScanResult ScanForChips(DeviceState& state, BoardLibrary& board);

} // namespace zr
