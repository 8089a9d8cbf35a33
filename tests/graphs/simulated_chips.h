// SPDX-License-Identifier: MIT
#pragma once

// Two chips behind a RecordingBoard: each answers the identifier-block scan at its address and
// reports the readings the test sets, encoded as the chip would send them.

#include "support/recording_board.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>

namespace zr::test {

struct ChipReadings {
    int deviceId = 132;                             // 132 = ZR410A, 133 = ZR410B
    std::array<double, 2> temperatures{25.0, 30.0}; // internal, external, degrees
    std::array<double, 5> voltages{12.0, 5.0, 3.3, 2.5, 1.2};
};

inline std::uint16_t temperatureCount(double degrees)
{
    const double count = std::round((degrees < 0 ? degrees + 1024 : degrees) * 64);
    return static_cast<std::uint16_t>(count);
}

inline std::uint16_t voltageCount(double volts)
{
    return static_cast<std::uint16_t>(std::round(volts * 1024));
}

class SimulatedChips {
public:
    explicit SimulatedChips(RecordingBoard& board) : board_(board)
    {
        board_.responder = [this](const std::vector<std::uint8_t>& frame) { return answer(frame); };
    }
    ChipReadings& chip(int address) { return chips_[address]; }

private:
    RecordingBoard::Reply answer(const std::vector<std::uint8_t>& frame) const
    {
        RecordingBoard::Reply r{};
        if (frame.size() < 4 || !chips_.count(frame[0]))
            return r;
        const ChipReadings& c = chips_.at(frame[0]);
        auto put16 = [&r](int at, std::uint16_t v) {
            r[at] = static_cast<std::uint8_t>(v & 0xFF);
            r[at + 1] = static_cast<std::uint8_t>(v >> 8);
        };
        switch (frame[3]) {
        case 247: // identifier block
            put16(5, static_cast<std::uint16_t>(c.deviceId));
            r[16] = frame[0];
            break;
        case 0: // temperatures
            put16(1, temperatureCount(c.temperatures[0]));
            put16(3, temperatureCount(c.temperatures[1]));
            break;
        case 16: // voltages
            for (int i = 0; i < 5; ++i)
                put16(1 + 2 * i, voltageCount(c.voltages[i]));
            break;
        default:
            break;
        }
        return r;
    }

    RecordingBoard& board_;
    std::map<int, ChipReadings> chips_;
};

} // namespace zr::test
