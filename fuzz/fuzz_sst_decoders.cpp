// SPDX-License-Identifier: MIT
// Every SST routine, the start-up scan and the log record built from them, on any 64-byte reply:
// decoded values stay in the ranges the windows and the log are made for.

#include "board/address_scan.h"
#include "board/sst_stuff.h"
#include "console/reading_captions.h"
#include "fuzz_support.h"
#include "logging/log_format.h"
#include "text/text_rules.h"

#include <array>
#include <cmath>

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::array<std::uint8_t, kXferBufferSize> reply{};
    std::copy_n(data, std::min(size, reply.size()), reply.begin());
    // Bytes beyond the reply choose the offset written and the raw transaction's lengths.
    const std::uint8_t extra[3] = {size > 64 ? data[64] : std::uint8_t{0},
                                   size > 65 ? data[65] : std::uint8_t{0},
                                   size > 66 ? data[66] : std::uint8_t{0}};
    fuzz::ReplyBoard board(reply);
    DeviceState s;
    s.CurrentAddress = 72;

    SSTStuff::SSTGetDIB(s, board);
    fuzz::require(s.DibVendorId >= 0 && s.DibVendorId <= 0xFFFF, "identifier fields are 16-bit");
    SSTStuff::SSTPing(s, board);
    fuzz::require(s.ResponseStatus == reply[0], "status is reply byte 0");

    SSTStuff::SSTGetTemperatures(s, board);
    for (float t : {s.IntTemp, s.ExtTemp})
        fuzz::require(std::isfinite(t) && t >= -513.0f && t <= 511.0f, "temperature range");
    SSTStuff::SSTGetVoltages(s, board);
    for (float v : s.Voltage)
        fuzz::require(std::isfinite(v) && v >= 0.0f && v < 64.0f, "voltage range");
    SSTStuff::SSTGetExtOffset(s, board);
    fuzz::require(s.ExtOffset >= -512 && s.ExtOffset <= 511, "offset range");

    const int offset = SSTStuff::kMinOffset + (extra[0] << 8 | extra[1]) % 1536;
    SSTStuff::SSTSetExtOffset(s, board, offset);
    fuzz::require(SSTStuff::decodeExtOffset(board.lastFrame[4], board.lastFrame[5]) ==
                      (offset > 511 ? offset - 1024 : offset),
                  "an offset written reads back");

    // What the windows and the log make of the readings.
    const logging::Readings readings = logging::readingsOf(s);
    logging::LogOptions all;
    all.externalOffset = true;
    for (const ChipDescriptor& described : kChips) {
        const Chip chip = described.chip;
        const std::string line = logging::recordLine(chip, all, readings);
        fuzz::require(line.find('\n') == std::string::npos || line.back() == '\n',
                      "one record is one line");
    }
    for (float t : {s.IntTemp, s.ExtTemp})
        fuzz::require(!captions::temperature(t).empty(), "temperature caption");
    for (float v : s.Voltage)
        fuzz::require(text::logNumberText(v).size() <= 16, "voltage text is short");

    std::array<std::uint8_t, 61> bytes{};
    SSTStuff::SSTTransaction(s, board, extra[1], extra[2] % 63,
                             std::span(bytes).first(extra[2] % 62));

    // The scan reads the same reply at every address: it must not take two chips of one kind.
    DeviceState scanned;
    const ScanResult found = ScanForChips(scanned, board);
    fuzz::require(!(found.found(Chip::A) && found.found(Chip::B)) ||
                      chipAddress(scanned, Chip::A) != chipAddress(scanned, Chip::B),
                  "one address is one chip");
    return 0;
}
