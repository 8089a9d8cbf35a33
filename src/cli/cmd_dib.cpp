// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "console/reading_captions.h"

#include <array>
#include <ostream>

namespace zr::cli {
namespace {

// JSON names of the identifier-block fields, by the settings window's index.
constexpr std::array<const char*, 8> kDibJsonKeys{
    "deviceCapability", "versionRevision",   "vendorId",      "deviceId",
    "deviceInterface",  "functionInterface", "clientAddress", "siliconRevisionId"};

} // namespace

int runDib(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->read(chip, SSTStuff::SSTGetDIB, "identifier block");
    QJsonObject o = chipJson(*session, chip);
    for (int i : captions::kDibScreenOrder) {
        const captions::DibField& field = captions::kDibFields[i];
        const std::uint32_t value = field.value(session->state());
        if (ctx.invocation.json)
            o[kDibJsonKeys[i]] = static_cast<qint64>(value);
        else
            ctx.out << field.caption << ": " << captions::hex(value) << "\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
