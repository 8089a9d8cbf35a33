// SPDX-License-Identifier: MIT
#include "board/firmware/controller_image.h"

#include <algorithm>
#include <cstdio>

namespace zr::firmware {
namespace {

std::string hex4(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string writableRamText()
{
    std::string text;
    for (const RamRange& range : kWritableRam) {
        if (!text.empty())
            text += " and ";
        text += hex4(range.first) + "-" + hex4(range.last);
    }
    return text;
}

const RamRange* rangeHolding(std::uint32_t address)
{
    for (const RamRange& range : kWritableRam)
        if (address >= range.first && address <= range.last)
            return &range;
    return nullptr;
}

} // namespace

std::vector<RamChunk> ramChunks(const HexImage& image, std::size_t chunkSize)
{
    if (image.byteCount() == 0)
        throw FirmwareImageError("it holds no data");
    chunkSize = std::max<std::size_t>(chunkSize, 1);
    std::vector<RamChunk> chunks;
    for (const HexSegment& segment : image.segments) {
        std::size_t done = 0;
        while (done < segment.bytes.size()) {
            const std::uint32_t address = segment.address + static_cast<std::uint32_t>(done);
            const RamRange* range = rangeHolding(address);
            if (!range)
                throw FirmwareImageError("it has data at " + hex4(address) +
                                         ", outside the controller's RAM (" + writableRamText() +
                                         ")");
            const std::size_t roomInRange = range->last - address + 1;
            const std::size_t count =
                std::min({chunkSize, roomInRange, segment.bytes.size() - done});
            const auto first = segment.bytes.begin() + static_cast<std::ptrdiff_t>(done);
            chunks.push_back(RamChunk{static_cast<std::uint16_t>(address),
                                      {first, first + static_cast<std::ptrdiff_t>(count)}});
            done += count;
        }
    }
    return chunks;
}

std::vector<RamChunk> readControllerFirmware(const std::string& path)
{
    HexImage image;
    try {
        image = readIntelHexFile(path);
    } catch (const HexFormatError& malformed) {
        throw std::runtime_error("The firmware file " + path +
                                 " is not valid Intel HEX: " + malformed.what() + ".");
    } catch (const std::exception& unreadable) {
        throw std::runtime_error(
            "The firmware file cannot be used: " + std::string(unreadable.what()) + ".");
    }
    try {
        return ramChunks(image);
    } catch (const FirmwareImageError& unfit) {
        throw std::runtime_error("The firmware file " + path +
                                 " does not fit the board: " + unfit.what() + ".");
    }
}

} // namespace zr::firmware
