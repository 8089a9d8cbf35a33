// SPDX-License-Identifier: MIT
#pragma once

// One ZR410A or ZR410B as an SST client: its identifier block, its sensors and its external
// offset register, answering the commands a transaction carries.

#include "board/chips.h"
#include "board/sim/drift.h"
#include "board/sim/simulated_board.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zr::sim {

inline constexpr std::uint8_t kCommandIdentifierBlock = 247;
inline constexpr std::uint8_t kCommandTemperatures = 0;
inline constexpr std::uint8_t kCommandRails = 16;
inline constexpr std::uint8_t kCommandExternalOffset = 224;

inline constexpr std::uint16_t kVendorId = 0x11D4;

class SimChip {
public:
    SimChip(const ChipConfig& config, std::uint32_t seed);

    int address() const { return config_.address; }
    bool silent() const { return config_.silent; }

    // The chip's side of one transaction: takes the write phase (command first) and returns the
    // read phase, exactly readLength bytes.
    std::vector<std::uint8_t> transact(std::span<const std::uint8_t> write, std::size_t readLength);

private:
    std::vector<std::uint8_t> identifierBlock() const;
    std::vector<std::uint8_t> temperatures();
    std::vector<std::uint8_t> rails();
    std::vector<std::uint8_t> externalOffset() const;

    ChipConfig config_;
    std::uint16_t offsetRaw_;
    SeededRandom random_;
    DriftingValue internal_;
    DriftingValue external_;
    std::array<DriftingValue, kRailCount> rails_;
};

} // namespace zr::sim
