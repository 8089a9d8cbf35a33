// SPDX-License-Identifier: MIT
#include "board/sim/simulated_board.h"

#include "board/firmware/controller_image.h"
#include "board/sim/sim_chip.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <optional>

namespace zr::sim {
namespace {

constexpr std::size_t kFrameLength = 7;
constexpr std::size_t kReplyLength = 64;
constexpr std::size_t kWriteBytesCarried = 4;
constexpr std::uint8_t kIdleBus = 0xFF;

using Reply = std::array<std::uint8_t, kReplyLength>;

Reply idleBus()
{
    Reply reply;
    reply.fill(kIdleBus);
    return reply;
}

// The USB board's own check, so that a file it would refuse is refused here too.
std::string checkFirmwareFile(const char* path)
{
    try {
        firmware::readControllerFirmware(
            QFile::encodeName(QString::fromLatin1(path)).toStdString());
    } catch (const std::exception& unusable) {
        return unusable.what();
    }
    return {};
}

} // namespace

struct SimulatedBoard::Impl {
    explicit Impl(Scenario s) : scenario(std::move(s))
    {
        for (const ChipConfig& config : scenario.chips)
            chips.emplace_back(config, scenario.seed);
    }

    SimChip* chipAt(int address)
    {
        for (SimChip& chip : chips)
            if (chip.address() == address)
                return &chip;
        return nullptr;
    }

    Reply transaction(const std::uint8_t* frame);
    bool unplugDue() const
    {
        return !unplugSpent && scenario.unplugAfterRequests &&
               requests > static_cast<std::uint64_t>(*scenario.unplugAfterRequests);
    }

    Scenario scenario;
    std::vector<SimChip> chips;
    std::optional<Reply> pendingReply;
    std::uint64_t requests = 0;
    bool lost = false;
    bool unplugSpent = false; // a replug after the unplug: it does not happen again
    std::string reason;
};

// The board runs the whole SST transaction when the frame arrives; the reply waits for the read.
Reply SimulatedBoard::Impl::transaction(const std::uint8_t* frame)
{
    const std::uint8_t address = frame[0];
    const std::uint8_t writeLength = frame[1];
    const std::uint8_t readLength = frame[2];
    SimChip* chip = chipAt(address);
    if (!chip || chip->silent())
        return idleBus();

    const std::array<std::uint8_t, 3> header{address, writeLength, readLength};
    std::vector<std::uint8_t> write(writeLength, 0);
    std::copy_n(frame + 3, std::min<std::size_t>(writeLength, kWriteBytesCarried), write.begin());
    const std::uint8_t writeFcs =
        sstFcs(write.data(), write.size(), sstFcs(header.data(), header.size()));
    const std::vector<std::uint8_t> data = chip->transact(write, readLength);

    // The wire: write-phase FCS, the data, read-phase FCS; whatever passes byte 63 is lost.
    Reply reply{};
    reply[0] = writeFcs;
    const std::size_t kept = std::min(data.size(), reply.size() - 1);
    std::copy_n(data.begin(), kept, reply.begin() + 1);
    if (kept == data.size() && kept + 1 < reply.size())
        reply[kept + 1] = sstFcs(data.data(), data.size());
    return reply;
}

Scenario Scenario::defaults()
{
    Scenario scenario;
    constexpr std::array<int, kChipCount> kAddresses{72, 76};
    for (const ChipDescriptor& descriptor : kChips) {
        ChipConfig chip;
        chip.kind = descriptor.chip;
        chip.address = kAddresses[static_cast<std::size_t>(chipIndex(descriptor.chip))];
        scenario.chips.push_back(chip);
    }
    return scenario;
}

SimulatedBoard::SimulatedBoard(Scenario scenario) : d(new Impl(std::move(scenario))) {}
SimulatedBoard::~SimulatedBoard() = default;

std::int16_t SimulatedBoard::LoadFirmWare(const char* path)
{
    if (d->lost && !d->scenario.replugOnLoad) {
        d->reason = "no board found";
        return -1;
    }
    if (!path) {
        d->reason = "no firmware file was named";
        return -1;
    }
    if (std::string problem = checkFirmwareFile(path); !problem.empty()) {
        d->reason = std::move(problem);
        return -1;
    }
    if (!d->scenario.firmwareLoads) {
        d->reason = "the board did not accept the firmware";
        return -1;
    }
    if (d->lost) {
        d->lost = false;
        d->unplugSpent = true;
    }
    d->pendingReply.reset();
    d->reason.clear();
    return 0;
}

std::int16_t SimulatedBoard::VendorIORequest(std::int16_t request, std::int32_t, std::int32_t,
                                             std::int16_t direction, std::int16_t length,
                                             std::uint8_t* buffer)
{
    ++d->requests;
    if (d->unplugDue() && !d->lost) {
        d->lost = true;
        d->pendingReply.reset();
    }
    if (d->lost) {
        d->reason = "the USB cable was pulled";
        return -1;
    }
    const bool frame = direction == kDirectionToBoard && length == kFrameLength;
    const bool read = direction == kDirectionFromBoard && length == kReplyLength;
    if (request != SST_VENDOR_REQUEST || !buffer || !(frame || read)) {
        d->reason = "the board does not know vendor request " + std::to_string(request) +
                    " with direction " + std::to_string(direction) + " and length " +
                    std::to_string(length);
        return -1;
    }
    if (frame) {
        d->pendingReply = d->transaction(buffer);
        return static_cast<std::int16_t>(kFrameLength);
    }
    const Reply reply = d->pendingReply.value_or(idleBus());
    d->pendingReply.reset();
    std::copy(reply.begin(), reply.end(), buffer);
    return static_cast<std::int16_t>(kReplyLength);
}

bool SimulatedBoard::boardLost() const
{
    return d->lost;
}

std::string SimulatedBoard::failureReason() const
{
    return d->reason;
}

std::uint64_t SimulatedBoard::requestCount() const
{
    return d->requests;
}

} // namespace zr::sim
