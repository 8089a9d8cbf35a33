// SPDX-License-Identifier: MIT
#pragma once

// A firmware image checked against the board's controller: every byte must land in the RAM that
// its boot code writes. The USB board uploads the image in these chunks; the simulated board runs
// the same check, so that both accept and refuse the same files.

#include "board/firmware/intel_hex.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zr::firmware {

inline constexpr std::size_t kUploadChunkSize = 1024;

struct RamRange {
    std::uint32_t first;
    std::uint32_t last; // inclusive
};

// Program and data RAM, and the scratch RAM: the only memory the boot code writes.
inline constexpr std::array<RamRange, 2> kWritableRam{{{0x0000, 0x3FFF}, {0xE000, 0xE1FF}}};

struct RamChunk {
    std::uint16_t address = 0;
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const RamChunk&, const RamChunk&) = default;
};

class FirmwareImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The image as RAM writes of at most `chunkSize` bytes each, in ascending address order; a chunk
// never spans two ranges. Throws FirmwareImageError (a phrase: "it holds ...") for an image with
// no data or with data outside the writable RAM, naming the first such address.
std::vector<RamChunk> ramChunks(const HexImage& image, std::size_t chunkSize = kUploadChunkSize);

// Reads an Intel HEX file (path in the file system's encoding) and splits it with ramChunks.
// Throws std::runtime_error with a sentence for the user naming the file, and the line of a
// malformed record.
std::vector<RamChunk> readControllerFirmware(const std::string& path);

} // namespace zr::firmware
