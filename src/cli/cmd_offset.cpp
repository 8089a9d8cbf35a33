#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "text/text_rules.h"

#include <ostream>

namespace zr::cli {
namespace {

// The settings window's offset field: its leading number, rounded half to even.
std::int32_t offsetEntry(const std::string& text)
{
    const std::optional<std::int32_t> offset = text::roundToInt32(text::leadingNumber(text));
    if (!offset)
        throw usageError("--set: '" + text + "' does not fit the external offset register");
    return *offset;
}

} // namespace

int runOffset(CommandContext& ctx)
{
    const Chip chip = parseChip(ctx.invocation.positionals.at(0));
    const std::optional<std::string> setText = ctx.invocation.value("--set");
    const std::optional<std::int32_t> newOffset =
        setText ? std::optional(offsetEntry(*setText)) : std::nullopt;
    const auto session = ctx.openBoard();
    session->require(chip);
    session->select(chip);
    QJsonObject o = chipJson(*session, chip);
    if (newOffset) {
        try {
            SSTStuff::SSTSetExtOffset(session->state(), session->board(), *newOffset);
        } catch (const std::out_of_range& refused) {
            throw usageError(std::string("--set: ") + refused.what());
        }
        o["set"] = *newOffset;
    } else {
        SSTStuff::SSTGetExtOffset(session->state(), session->board());
        o["offset"] = session->state().ExtOffset;
        if (!ctx.invocation.json)
            ctx.out << text::decimalText(std::int64_t{session->state().ExtOffset}) << "\n";
    }
    if (ctx.invocation.json)
        printJson(ctx.out, o);
    return kExitOk;
}

} // namespace zr::cli
