// SPDX-License-Identifier: MIT
#include "board/failed_read.h"
#include "cli/argument_numbers.h"
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

// Each BYTE read whole (one or two hex digits, optionally after 0x), then the panel's rules for
// how many bytes fit, on the bytes' plain hex text.
std::vector<std::uint8_t> dataBytes(const std::vector<std::string>& arguments)
{
    std::string dataToSend;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::optional<std::uint8_t> byte = hexByte(arguments[i]);
        if (!byte)
            throw usageError("BYTE " + std::to_string(i + 1) + ": '" + arguments[i] +
                             "' is not a hexadecimal byte (1 or 2 digits, optionally after 0x: "
                             "F7, e0, 0x1f)");
        dataToSend += (i ? " " : "") + text::hexText(*byte);
    }
    return accepted(sstio::dataBytes(dataToSend), "");
}

// A length read whole as a decimal number, then held to its range by the panel's rule.
std::uint8_t length(const Invocation& inv, const std::string& option,
                    entry::Checked<std::uint8_t> (*rule)(std::string_view))
{
    const std::optional<std::string> text = inv.value(option);
    if (!text)
        return 0;
    if (!wholeDecimal(*text))
        throw usageError(option + ": '" + *text + "' is not a whole decimal number");
    return accepted(rule(*text), option);
}

sstio::Request parseRequest(const Invocation& inv)
{
    sstio::Request r;
    r.data = dataBytes({inv.positionals.begin() + 1, inv.positionals.end()});
    r.writeLength = length(inv, "--write", sstio::writeLength);
    r.readLength = length(inv, "--read", sstio::readLength);
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
    requireSuccessfulRead(sstio::send(session->state(), session->board(), chip, request),
                          session->board(), chip, "reply", kNothingPrinted);
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
