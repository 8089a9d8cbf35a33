#include "board/sst_stuff.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "text/text_rules.h"

#include <QJsonArray>
#include <ostream>

namespace zr::cli {
namespace {

struct XferRequest {
    std::uint8_t writeLength = 0;
    std::uint8_t readLength = 0;
    std::vector<std::uint8_t> data;
};

// The General SST IO panel's reading of its three fields.
XferRequest parseRequest(const std::string& toSend, const std::string& writeText,
                         const std::string& readText)
{
    if (toSend.empty())
        throw usageError("No command byte set");
    XferRequest r;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = toSend.find(' ', start);
        const std::string token = toSend.substr(start, space - start);
        const double value = text::leadingNumber("&h" + token);
        if (value > 255)
            throw usageError("BYTE: '" + token + "' does not fit a byte");
        r.data.push_back(static_cast<std::uint8_t>(value));
        if (space == std::string::npos)
            break;
        start = space + 1;
    }
    if (r.data.size() > SSTStuff::kMaxTransactionBytes)
        throw usageError("BYTE: " + std::to_string(r.data.size()) + " bytes do not fit; at most " +
                         std::to_string(SSTStuff::kMaxTransactionBytes) + " are allowed");
    auto length = [](const std::string& name, const std::string& text, int max) {
        const std::optional<std::int32_t> v = text::roundToInt32(text::leadingNumber(text));
        if (!v || *v < 0 || *v > max)
            throw usageError(name + ": '" + text + "' is outside 0 to " + std::to_string(max));
        return static_cast<std::uint8_t>(*v);
    };
    r.writeLength = length("--write", writeText, 255);
    r.readLength = length("--read", readText, 62);
    return r;
}

std::string joinTokens(const std::vector<std::string>& words)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i ? " " : "") + words[i];
    return text;
}

} // namespace

int runXfer(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    const Chip chip = parseChip(inv.positionals.at(0));
    if (inv.has("--dec") && inv.has("--hex"))
        throw usageError("--dec and --hex exclude each other");
    const std::vector<std::string> bytes(inv.positionals.begin() + 1, inv.positionals.end());
    const XferRequest request = parseRequest(joinTokens(bytes), inv.value("--write").value_or(""),
                                             inv.value("--read").value_or(""));
    const auto session = ctx.openBoard();
    session->require(chip);
    session->select(chip);
    SSTStuff::SSTTransaction(session->state(), session->board(), request.writeLength,
                             request.readLength, request.data);
    const auto& buffer = session->state().XferBuffer;
    const int shown = request.readLength + 2;
    if (inv.json) {
        QJsonObject o = chipJson(*session, chip);
        o["write"] = request.writeLength;
        o["read"] = request.readLength;
        QJsonArray sent, reply;
        for (std::uint8_t b : request.data)
            sent.append(b);
        for (int j = 0; j < shown; ++j)
            reply.append(buffer[j]);
        o["sent"] = sent;
        o["reply"] = reply;
        printJson(ctx.out, o);
    } else {
        for (int j = 0; j < shown; ++j) {
            ctx.out << (j ? " " : "")
                    << (inv.has("--dec") ? text::decimalText(std::int64_t{buffer[j]})
                                         : text::hexText(buffer[j]));
        }
        ctx.out << "\n";
    }
    return kExitOk;
}

} // namespace zr::cli
