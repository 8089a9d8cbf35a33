// SPDX-License-Identifier: MIT
#include "logging/take_readings.h"

#include "board/failed_read.h"
#include "board/sst_stuff.h"

namespace zr::logging {

TakenReadings takeReadings(DeviceState& state, BoardLibrary& board, Chip chip)
{
    selectChip(state, chip);
    TakenReadings taken;
    // Each read's failure has the board's words only until the next request.
    const auto read = [&](std::int16_t result) {
        if (result < 0 && taken.failureReason.empty())
            taken.failureReason = board.failureReason();
        return result;
    };
    taken.temperaturesResult = read(SSTStuff::SSTGetTemperatures(state, board));
    taken.offsetResult = read(SSTStuff::SSTGetExtOffset(state, board));
    if (hasRails(chip))
        taken.voltagesResult = read(SSTStuff::SSTGetVoltages(state, board));
    taken.values = readingsOf(state);
    return taken;
}

void requireSuccessfulReads(const TakenReadings& taken, Chip chip, const char* consequence)
{
    const std::string& why = taken.failureReason;
    requireSuccessfulRead(taken.temperaturesResult, chip, "temperatures", consequence, why);
    requireSuccessfulRead(taken.offsetResult, chip, "external offset", consequence, why);
    requireSuccessfulRead(taken.voltagesResult, chip, "voltages", consequence, why);
}

} // namespace zr::logging
