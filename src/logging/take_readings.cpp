#include "logging/take_readings.h"

#include "board/failed_read.h"
#include "board/sst_stuff.h"

namespace zr::logging {

TakenReadings takeReadings(DeviceState& state, BoardLibrary& board, Chip chip)
{
    selectChip(state, chip);
    TakenReadings taken;
    taken.temperaturesResult = SSTStuff::SSTGetTemperatures(state, board);
    taken.offsetResult = SSTStuff::SSTGetExtOffset(state, board);
    if (hasRails(chip))
        taken.voltagesResult = SSTStuff::SSTGetVoltages(state, board);
    taken.values = readingsOf(state);
    return taken;
}

void requireSuccessfulReads(const TakenReadings& taken, Chip chip, const char* consequence)
{
    requireSuccessfulRead(taken.temperaturesResult, chip, "temperatures", consequence);
    requireSuccessfulRead(taken.offsetResult, chip, "external offset", consequence);
    requireSuccessfulRead(taken.voltagesResult, chip, "voltages", consequence);
}

} // namespace zr::logging
