#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "cli/reading_text.h"

#include <ostream>

namespace zr::cli {

int runDib(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->select(chip);
    SSTStuff::SSTGetDIB(session->state(), session->board());
    QJsonObject o = chipJson(*session, chip);
    for (const DibRow& row : dibRows(session->state())) {
        if (ctx.invocation.json)
            o[row.jsonKey] = row.value;
        else
            ctx.out << row.caption << ": " << dibValueText(row.value) << "\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
