// SPDX-License-Identifier: MIT
#pragma once

// Intel HEX firmware images: records ":LLAAAATT[DD...]CC" whose bytes, checksum included, sum to 0
// modulo 256. Types 00 data, 01 end of file, 02 extended segment address, 03 start segment
// address, 04 extended linear address, 05 start linear address.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zr::firmware {

class HexFormatError : public std::runtime_error {
public:
    HexFormatError(int line, const std::string& problem)
        : std::runtime_error("line " + std::to_string(line) + ": " + problem), line_(line)
    {
    }
    int line() const { return line_; }

private:
    int line_;
};

// A run of consecutive bytes at an absolute address.
struct HexSegment {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

struct HexImage {
    std::vector<HexSegment> segments; // in ascending address order, adjacent runs merged
    std::size_t byteCount() const;
};

// Throws HexFormatError naming the line for a malformed record, a bad checksum, data that overlaps
// earlier data, a missing end-of-file record or anything after it (blank lines excepted).
HexImage parseIntelHex(std::string_view text);

// Reads and parses a file; a file that cannot be read throws std::runtime_error naming it.
HexImage readIntelHexFile(const std::string& path);

} // namespace zr::firmware
