#pragma once

// The controller's RAM as its boot code exposes it over USB: while the CPU is held in reset,
// vendor request 0xA0 writes the bytes of its data stage to RAM at the address in wValue.

#include "board/firmware/intel_hex.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zr::usb {

inline constexpr std::uint8_t kRamWriteRequest = 0xA0;
// Writing 1 holds the CPU in reset, writing 0 lets it run the loaded image.
inline constexpr std::uint16_t kCpuControlRegister = 0xE600;
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
std::vector<RamChunk> ramChunks(const firmware::HexImage& image,
                                std::size_t chunkSize = kUploadChunkSize);

// Reads an Intel HEX file (path in the file system's encoding) and splits it with ramChunks.
// Throws std::runtime_error with a sentence for the user naming the file, and the line of a
// malformed record.
std::vector<RamChunk> readControllerFirmware(const std::string& path);

} // namespace zr::usb
