// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"

#include <ostream>

namespace zr::cli {

int runTemps(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->read(chip, SSTStuff::SSTGetTemperatures, "temperatures");
    const logging::Readings readings = logging::readingsOf(session->state());
    if (ctx.invocation.json) {
        QJsonObject o = chipJson(*session, chip);
        for (const ChipReadingDescriptor& reading : kChipReadings)
            if (!reading.wholeDegrees)
                o[reading.key] = readingJson(readings, reading.reading);
        printJson(ctx.out, o);
    } else {
        // The measured temperatures; the offset register has a command of its own.
        for (const ChipReadingDescriptor& reading : kChipReadings)
            if (!reading.wholeDegrees)
                ctx.out << reading.heading << ": " << readingText(readings, reading.reading)
                        << "\n";
    }
    return kExitOk;
}

} // namespace zr::cli
