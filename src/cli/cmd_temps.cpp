// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "console/reading_captions.h"

#include <ostream>

namespace zr::cli {

int runTemps(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->read(chip, SSTStuff::SSTGetTemperatures, "temperatures");
    const DeviceState& s = session->state();
    if (ctx.invocation.json) {
        QJsonObject o = chipJson(*session, chip);
        o["internal"] = jsonNumber(s.IntTemp);
        o["external"] = jsonNumber(s.ExtTemp);
        printJson(ctx.out, o);
    } else {
        ctx.out << "Internal: " << captions::temperature(s.IntTemp) << "\n"
                << "External: " << captions::temperature(s.ExtTemp) << "\n";
    }
    return kExitOk;
}

} // namespace zr::cli
