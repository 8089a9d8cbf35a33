#include "board/failed_read.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/output.h"
#include "console/sst_io.h"
#include "text/text_rules.h"

#include <QJsonArray>
#include <ostream>

namespace zr::cli {
namespace {

template <typename T> T accepted(const entry::Checked<T>& checked, const std::string& argument)
{
    if (const auto* refusal = std::get_if<entry::Refusal>(&checked))
        throw usageError(argument.empty() ? refusal->message : argument + ": " + refusal->message);
    return std::get<T>(checked);
}

// The BYTE arguments as the panel's "Data To Send" text: one space between them.
std::string dataToSend(const std::vector<std::string>& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text += (i ? " " : "") + bytes[i];
    return text;
}

// The General SST IO panel's reading of its three fields, each refusal naming its argument.
sstio::Request parseRequest(const Invocation& inv)
{
    const std::vector<std::string> bytes(inv.positionals.begin() + 1, inv.positionals.end());
    sstio::Request r;
    r.data = accepted(sstio::dataBytes(dataToSend(bytes)), "");
    r.writeLength = accepted(sstio::writeLength(inv.value("--write").value_or("")), "--write");
    r.readLength = accepted(sstio::readLength(inv.value("--read").value_or("")), "--read");
    return r;
}

} // namespace

int runXfer(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    const Chip chip = parseChip(inv.positionals.at(0));
    if (inv.has("--dec") && inv.has("--hex"))
        throw usageError("--dec and --hex exclude each other");
    const sstio::Request request = parseRequest(inv);
    const auto session = ctx.openBoard();
    session->require(chip);
    requireSuccessfulRead(sstio::send(session->state(), session->board(), chip, request), chip,
                          "reply", kNothingPrinted);
    const std::span<const std::uint8_t> reply =
        sstio::shownReply(session->state(), request.readLength);
    if (inv.json) {
        QJsonObject o = chipJson(*session, chip);
        o["write"] = request.writeLength;
        o["read"] = request.readLength;
        QJsonArray sent, received;
        for (std::uint8_t b : request.data)
            sent.append(b);
        for (std::uint8_t b : reply)
            received.append(b);
        o["sent"] = sent;
        o["reply"] = received;
        printJson(ctx.out, o);
        return kExitOk;
    }
    // One space between bytes rather than the panel's running text, for scripts to split.
    const bool decimal = inv.has("--dec");
    for (std::size_t j = 0; j < reply.size(); ++j)
        ctx.out << (j ? " " : "")
                << (decimal ? text::decimalText(std::int64_t{reply[j]}) : text::hexText(reply[j]));
    ctx.out << "\n";
    return kExitOk;
}

} // namespace zr::cli
