// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "text/text_rules.h"

#include <ostream>

namespace zr::cli {

int runVolts(CommandContext& ctx)
{
    const Chip chip = chipWithRails();
    const auto session = ctx.openBoard();
    session->require(chip);
    session->read(chip, SSTStuff::SSTGetVoltages, "voltages");
    QJsonObject o = chipJson(*session, chip);
    for (int i = 0; i < kRailCount; ++i) {
        const float volts = session->state().Voltage[i];
        if (ctx.invocation.json)
            o[kRails[i].name] = jsonNumber(volts);
        else
            ctx.out << kRails[i].name << ": " << text::decimalText(volts) << " V\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
