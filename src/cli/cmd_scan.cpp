// SPDX-License-Identifier: MIT
#include "app/board_factory.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"

#include <QJsonArray>
#include <ostream>

namespace zr::cli {

int runScan(CommandContext& ctx)
{
    const auto session = ctx.openBoard();
    QJsonArray chips;
    bool anyFound = false;
    for (const ChipDescriptor& descriptor : kChips) {
        const Chip chip = descriptor.chip;
        if (!session->found(chip))
            continue;
        anyFound = true;
        if (ctx.invocation.json) {
            QJsonObject entry = chipJson(*session, chip);
            entry["kind"] = chipName(chip);
            chips.append(entry);
        } else {
            ctx.out << chipName(chip) << " " << session->address(chip) << "\n";
        }
    }
    if (ctx.invocation.json)
        printJson(ctx.out,
                  QJsonObject{{"board", QString::fromStdString(boardLabel(session->board()))},
                              {"chips", chips}});
    if (!anyFound) {
        session->requireCleanScan("No chip was found");
        throw CliError(kExitChipMissing, "No chip answered at SST addresses " +
                                             std::to_string(kFirstScanAddress) + " to " +
                                             std::to_string(kLastScanAddress) + ".");
    }
    return kExitOk;
}

} // namespace zr::cli
