// SPDX-License-Identifier: MIT
#include "board/firmware/intel_hex.h"

#include "text/text_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace zr::firmware {
namespace {

std::vector<std::uint8_t> recordBytes(std::string_view line, int lineNo)
{
    if (line.empty() || line[0] != ':')
        throw HexFormatError(lineNo, "a record must start with ':'");
    const std::string_view hex = line.substr(1);
    if (hex.size() % 2 != 0 || hex.size() < 10)
        throw HexFormatError(lineNo, "the record is too short or has an odd number of digits");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = text::hexDigitValue(hex[i]);
        const int lo = text::hexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            throw HexFormatError(lineNo, "'" + std::string(hex.substr(i, 2)) +
                                             "' is not a hexadecimal byte");
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    if (bytes.size() != bytes[0] + 5u)
        throw HexFormatError(lineNo, "the length field says " + std::to_string(bytes[0]) +
                                         " data bytes but the record holds " +
                                         std::to_string(bytes.size() - 5));
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    if (sum % 256 != 0)
        throw HexFormatError(lineNo, "checksum mismatch");
    return bytes;
}

} // namespace

std::size_t HexImage::byteCount() const
{
    std::size_t n = 0;
    for (const HexSegment& s : segments)
        n += s.bytes.size();
    return n;
}

HexImage parseIntelHex(std::string_view text)
{
    std::map<std::uint32_t, std::uint8_t> memory;
    std::uint32_t base = 0;
    // Under an extended segment address the record offset wraps within its 64K segment; under an
    // extended linear address it simply adds on.
    bool segmentAddressing = false;
    bool ended = false;
    int lineNo = 0;
    int lastRecordLine = 1;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (ended)
            throw HexFormatError(lineNo, "a record follows the end-of-file record");
        lastRecordLine = lineNo;
        const std::vector<std::uint8_t> r = recordBytes(line, lineNo);
        const std::uint8_t length = r[0];
        const std::uint32_t offset = r[1] * 256u + r[2];
        const std::uint8_t type = r[3];
        switch (type) {
        case 0x00:
            for (std::uint32_t i = 0; i < length; ++i) {
                const std::uint32_t address =
                    base + (segmentAddressing ? (offset + i) & 0xFFFFu : offset + i);
                if (!memory.emplace(address, r[4 + i]).second)
                    throw HexFormatError(
                        lineNo, "data at address 0x" + [&] {
                            std::ostringstream o;
                            o << std::hex << std::uppercase << address;
                            return o.str();
                        }() + " overlaps earlier data");
            }
            break;
        case 0x01:
            if (length != 0)
                throw HexFormatError(lineNo, "the end-of-file record carries data");
            ended = true;
            break;
        case 0x02:
            if (length != 2)
                throw HexFormatError(lineNo, "an extended segment address record needs 2 bytes");
            base = (r[4] * 256u + r[5]) * 16u;
            segmentAddressing = true;
            break;
        case 0x04:
            if (length != 2)
                throw HexFormatError(lineNo, "an extended linear address record needs 2 bytes");
            base = (r[4] * 256u + r[5]) << 16;
            segmentAddressing = false;
            break;
        case 0x03:
        case 0x05:
            if (length != 4)
                throw HexFormatError(lineNo, "a start address record needs 4 bytes");
            break; // the start address means nothing to an 8051-class controller
        default:
            throw HexFormatError(lineNo, "unknown record type " + std::to_string(type));
        }
    }
    if (!ended)
        throw HexFormatError(lastRecordLine, "the end-of-file record is missing");

    HexImage image;
    for (const auto& [address, byte] : memory) {
        if (image.segments.empty() ||
            image.segments.back().address + image.segments.back().bytes.size() != address)
            image.segments.push_back(HexSegment{address, {}});
        image.segments.back().bytes.push_back(byte);
    }
    return image;
}

HexImage readIntelHexFile(const std::string& path)
{
    // A folder opens like a file here and then reads as empty: say what it is instead.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    return parseIntelHex(content.str());
}

} // namespace zr::firmware
