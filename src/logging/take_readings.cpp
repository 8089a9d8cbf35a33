#include "logging/take_readings.h"

#include "board/sst_stuff.h"

namespace zr::logging {

Readings takeReadings(DeviceState& state, BoardLibrary& board, Chip chip)
{
    selectChip(state, chip);
    SSTStuff::SSTGetTemperatures(state, board);
    SSTStuff::SSTGetExtOffset(state, board);
    if (chip == Chip::B)
        SSTStuff::SSTGetVoltages(state, board);
    return readingsOf(state);
}

} // namespace zr::logging
