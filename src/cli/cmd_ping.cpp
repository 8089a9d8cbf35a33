// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "text/text_rules.h"

#include <ostream>

namespace zr::cli {

int runPing(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->read(chip, SSTStuff::SSTPing, "ping reply");
    const std::uint8_t fcs = session->state().ResponseStatus;
    if (ctx.invocation.json) {
        QJsonObject o = chipJson(*session, chip);
        o["fcs"] = fcs;
        printJson(ctx.out, o);
    } else {
        ctx.out << "0x" << text::hexText(fcs) << "\n";
    }
    return kExitOk;
}

} // namespace zr::cli
