#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "text/text_rules.h"

#include <ostream>

namespace zr::cli {

int runVolts(CommandContext& ctx)
{
    const auto session = ctx.openBoard();
    session->require(Chip::B);
    session->read(Chip::B, SSTStuff::SSTGetVoltages, "voltages");
    QJsonObject o = chipJson(*session, Chip::B);
    for (std::size_t i = 0; i < kVoltageRailNames.size(); ++i) {
        const float volts = session->state().Voltage[i];
        if (ctx.invocation.json)
            o[kVoltageRailNames[i]] = jsonNumber(volts);
        else
            ctx.out << kVoltageRailNames[i] << ": " << text::decimalText(volts) << " V\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
