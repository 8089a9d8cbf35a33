// SPDX-License-Identifier: MIT
#include "board/sim/sim_chip.h"

#include <algorithm>
#include <cmath>

namespace zr::sim {
namespace {

// The silicon revision each kind reports in its identifier block, by chip index.
constexpr std::array<std::uint8_t, kChipCount> kSiliconRevision{0x01, 0x02};

void appendWord(std::vector<std::uint8_t>& out, std::uint16_t word)
{
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
}

// Two's complement in 16 bits, clamped to what the register can hold.
std::uint16_t toRaw(double value, double countsPerUnit, double lowest, double highest)
{
    const double counts = std::clamp(std::round(value * countsPerUnit), lowest, highest);
    return static_cast<std::uint16_t>(static_cast<std::int32_t>(counts));
}

std::uint16_t temperatureRaw(double degrees)
{
    return toRaw(degrees, 64.0, -32768.0, 32767.0);
}

std::uint16_t voltageRaw(double volts)
{
    return toRaw(volts, 1024.0, 0.0, 65535.0);
}

// Each chip sits a little apart from the nominal levels, as two boards on a bench would.
double spread(SeededRandom& random, double width)
{
    return (random.uniform() - 0.5) * width;
}

} // namespace

SimChip::SimChip(const ChipConfig& config, std::uint32_t seed)
    : config_(config), offsetRaw_(config.offsetRaw.value_or(0)),
      random_(seed * 0x100000001B3ull + static_cast<std::uint64_t>(config.address)),
      internal_(25.0 + spread(random_, 1.0), 0.4, 0.03),
      external_(31.0 + spread(random_, 2.0), 0.6, 0.05), rails_{DriftingValue(12.0, 0.04, 0.004),
                                                                DriftingValue(5.0, 0.015, 0.002),
                                                                DriftingValue(3.3, 0.01, 0.0015),
                                                                DriftingValue(2.5, 0.008, 0.0012),
                                                                DriftingValue(1.2, 0.004, 0.0008)}
{
}

std::vector<std::uint8_t> SimChip::transact(std::span<const std::uint8_t> write,
                                            std::size_t readLength)
{
    std::vector<std::uint8_t> data;
    if (!write.empty()) {
        switch (write[0]) {
        case kCommandIdentifierBlock:
            data = identifierBlock();
            break;
        case kCommandTemperatures:
            data = temperatures();
            break;
        case kCommandRails:
            if (hasRails(config_.kind))
                data = rails();
            break;
        case kCommandExternalOffset:
            if (write.size() == 3)
                offsetRaw_ = static_cast<std::uint16_t>(write[1] | write[2] << 8);
            else
                data = externalOffset();
            break;
        default:
            break;
        }
    }
    data.resize(readLength, 0);
    return data;
}

std::vector<std::uint8_t> SimChip::identifierBlock() const
{
    const bool rails = hasRails(config_.kind);
    std::vector<std::uint8_t> block;
    block.push_back(0x01); // device capability: fixed address
    block.push_back(0x10); // SST version 1, revision 0
    appendWord(block, kVendorId);
    appendWord(block, static_cast<std::uint16_t>(
                          config_.deviceId.value_or(chipInfo(config_.kind).deviceId)));
    block.push_back(0x01);                // device interface
    block.push_back(rails ? 0x03 : 0x02); // function interface: temperatures, plus rails
    block.insert(block.end(), 6, 0);      // reserved
    block.push_back(kSiliconRevision[static_cast<std::size_t>(chipIndex(config_.kind))]);
    block.push_back(static_cast<std::uint8_t>(config_.clientAddress.value_or(config_.address)));
    return block;
}

std::vector<std::uint8_t> SimChip::temperatures()
{
    const double internal = internal_.sample(random_);
    const double external = external_.sample(random_);
    std::uint16_t internalRaw = temperatureRaw(internal);
    std::uint16_t externalRaw = temperatureRaw(external);
    if (config_.tempRaw) {
        internalRaw = (*config_.tempRaw)[0];
        externalRaw = (*config_.tempRaw)[1];
    }
    std::vector<std::uint8_t> data;
    appendWord(data, internalRaw);
    appendWord(data, static_cast<std::uint16_t>(externalRaw + offsetRaw_));
    return data;
}

std::vector<std::uint8_t> SimChip::rails()
{
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < rails_.size(); ++i) {
        const std::uint16_t drifting = voltageRaw(rails_[i].sample(random_));
        appendWord(data, config_.voltRaw ? (*config_.voltRaw)[i] : drifting);
    }
    data.resize(16, 0);
    return data;
}

std::vector<std::uint8_t> SimChip::externalOffset() const
{
    std::vector<std::uint8_t> data;
    appendWord(data, offsetRaw_);
    return data;
}

} // namespace zr::sim
