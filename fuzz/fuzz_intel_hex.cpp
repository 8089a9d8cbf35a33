// SPDX-License-Identifier: MIT
// The firmware file reader and the check both boards run on its image: any text is either
// refused with a reason or gives chunks that lie in the controller's RAM and hold every byte.

#include "board/firmware/controller_image.h"
#include "board/firmware/intel_hex.h"
#include "fuzz_support.h"

#include <string_view>

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    firmware::HexImage image;
    try {
        image = firmware::parseIntelHex(text);
    } catch (const firmware::HexFormatError& refused) {
        fuzz::require(refused.line() >= 1, "a refusal names a line");
        return 0;
    }
    std::size_t previousEnd = 0;
    for (const firmware::HexSegment& segment : image.segments) {
        fuzz::require(!segment.bytes.empty(), "no empty segment");
        fuzz::require(segment.address >= previousEnd, "segments ascend without overlap");
        previousEnd = segment.address + segment.bytes.size();
    }
    try {
        std::size_t bytes = 0;
        for (const firmware::RamChunk& chunk : firmware::ramChunks(image, 64)) {
            fuzz::require(chunk.bytes.size() <= 64, "chunk size");
            bytes += chunk.bytes.size();
        }
        fuzz::require(bytes == image.byteCount(), "every byte is uploaded");
    } catch (const firmware::FirmwareImageError&) {
    }
    return 0;
}
