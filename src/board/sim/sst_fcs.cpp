// SPDX-License-Identifier: MIT
#include "board/sim/simulated_board.h"

namespace zr::sim {

std::uint8_t sstFcs(const std::uint8_t* bytes, std::size_t count, std::uint8_t initial)
{
    std::uint8_t crc = initial;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

} // namespace zr::sim
