// SPDX-License-Identifier: MIT
#include "board/failed_read.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/periodic.h"
#include "console/reading_captions.h"
#include "logging/take_readings.h"
#include "text/text_rules.h"

#include <QJsonArray>
#include <algorithm>
#include <ostream>
#include <vector>

namespace zr::cli {
namespace {

constexpr std::size_t kChipWidth = 8;
constexpr std::size_t kAddressWidth = 9;
constexpr std::size_t kTempWidth = 12;
constexpr std::size_t kOffsetWidth = 8;
constexpr std::size_t kRailWidth = 8;

std::size_t widthOf(const ChipReadingDescriptor& reading)
{
    return reading.wholeDegrees ? kOffsetWidth : kTempWidth;
}

std::string headerLine(bool withRails)
{
    std::string line = padRight("Chip", kChipWidth) + padRight("Address", kAddressWidth);
    for (const ChipReadingDescriptor& reading : kChipReadings)
        line += padRight(reading.heading, widthOf(reading));
    if (withRails)
        for (const RailDescriptor& rail : kRails)
            line += padRight(rail.name, kRailWidth);
    return line;
}

// One chip's row: the readings the save-data window takes on every tick.
void readRow(BoardSession& session, Chip chip, bool json, QJsonArray& rows, std::string& text)
{
    const logging::TakenReadings taken =
        logging::takeReadings(session.state(), session.board(), chip);
    logging::requireSuccessfulReads(taken, chip, "its row was left out");
    const logging::Readings& r = taken.values;
    if (json) {
        QJsonObject o = chipJson(session, chip);
        for (const ChipReadingDescriptor& reading : kChipReadings)
            o[reading.key] = readingJson(r, reading.reading);
        if (hasRails(chip))
            for (int i = 0; i < kRailCount; ++i)
                o[kRails[i].name] = jsonNumber(r.voltages[i]);
        rows.append(o);
        return;
    }
    std::string line = padRight(chipName(chip), kChipWidth) +
                       padRight(std::to_string(session.address(chip)), kAddressWidth);
    for (const ChipReadingDescriptor& reading : kChipReadings)
        line += padRight(readingText(r, reading.reading), widthOf(reading));
    if (hasRails(chip))
        for (float v : r.voltages)
            line += padRight(text::decimalText(v), kRailWidth);
    text += trimRight(line) + "\n";
}

} // namespace

int runWatch(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    std::optional<Chip> only;
    if (!inv.positionals.empty())
        only = parseChip(inv.positionals[0]);
    const Schedule schedule = scheduleFromOptions(inv);
    const auto session = ctx.openBoard();
    std::vector<Chip> chips;
    if (only) {
        session->require(*only);
        chips.push_back(*only);
    } else {
        for (const ChipDescriptor& chip : kChips)
            if (session->found(chip.chip))
                chips.push_back(chip.chip);
        if (chips.empty())
            session->require(kChips.front().chip);
    }
    const bool withRails = std::any_of(chips.begin(), chips.end(), hasRails);
    const std::string header = trimRight(headerLine(withRails));

    InterruptGuard interrupts;
    std::int64_t sample = 0;
    if (!inv.json && !ctx.outputIsTerminal)
        ctx.out << header << "\n";
    runPeriodically(schedule, [&] {
        ++sample;
        QJsonArray rows;
        std::string text;
        for (Chip chip : chips) {
            try {
                readRow(*session, chip, inv.json, rows, text);
            } catch (const FailedReadError& failed) {
                printFailure(ctx.err, inv.json, {failed.what(), "board", failed.reason(), {}});
            }
        }
        if (inv.json)
            printJson(ctx.out,
                      QJsonObject{{"sample", static_cast<qint64>(sample)}, {"readings", rows}});
        else if (ctx.outputIsTerminal)
            ctx.out << "\x1b[H\x1b[J" << header << "\n" << text;
        else
            ctx.out << text;
        ctx.out.flush();
        return StepEnd::Counted;
    });
    return kExitOk;
}

} // namespace zr::cli
