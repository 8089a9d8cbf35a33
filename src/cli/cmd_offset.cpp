// SPDX-License-Identifier: MIT
#include "board/failed_read.h"
#include "board/sst_stuff.h"
#include "cli/argument_numbers.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "console/entry_rules.h"
#include "text/text_rules.h"

#include <ostream>

namespace zr::cli {
namespace {

// --set is a whole decimal number, read whole, then held to the register's range by the settings
// window's rule; all before the board is opened.
std::optional<std::int32_t> offsetToSet(const Invocation& inv)
{
    const std::optional<std::string> text = inv.value("--set");
    if (!text)
        return std::nullopt;
    const std::optional<std::int64_t> whole = wholeDecimal(*text);
    if (!whole)
        throw usageError("--set: '" + *text +
                         "' is not a whole number of degrees (decimal, e.g. -5)");
    const entry::Checked<std::int32_t> offset = entry::offsetEntry(*text);
    if (const auto* refusal = std::get_if<entry::Refusal>(&offset))
        throw usageError("--set: " + refusal->message);
    return std::get<std::int32_t>(offset);
}

} // namespace

int runOffset(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const std::optional<std::int32_t> newOffset = offsetToSet(ctx.invocation);
    const auto session = ctx.openBoard();
    session->require(chip);
    QJsonObject o = chipJson(*session, chip);
    if (newOffset) {
        session->select(chip);
        requireSuccessfulRead(
            SSTStuff::SSTSetExtOffset(session->state(), session->board(), *newOffset),
            session->board(), chip, "reply to the offset write",
            "the offset may not have been written");
        o["set"] = *newOffset;
    } else {
        session->read(chip, SSTStuff::SSTGetExtOffset, "external offset");
        o["offset"] = session->state().ExtOffset;
        if (!ctx.invocation.json)
            ctx.out << text::decimalText(std::int64_t{session->state().ExtOffset}) << "\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
