// SPDX-License-Identifier: MIT
#include "alarms/taken_tick.h"
#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "cli/alarm_output.h"
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
#include <deque>
#include <ostream>
#include <vector>

namespace zr::cli {
namespace {

constexpr std::size_t kChipWidth = 8;
constexpr std::size_t kAddressWidth = 9;
constexpr std::size_t kTempWidth = 12;
constexpr std::size_t kOffsetWidth = 8;
constexpr std::size_t kRailWidth = 8;
// On a terminal the table is redrawn in place: the latest alarms stay under it.
constexpr std::size_t kAlarmsShown = 10;

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
void addRow(BoardSession& session, Chip chip, const logging::TakenReadings& taken, bool json,
            QJsonArray& rows, std::string& text)
{
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

bool anyFiring(const std::vector<alarms::AlarmEvent>& events)
{
    return std::any_of(events.begin(), events.end(), [](const alarms::AlarmEvent& e) {
        return e.state == alarms::AlarmState::Firing;
    });
}

} // namespace

int runWatch(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    std::optional<Chip> only;
    if (!inv.positionals.empty())
        only = parseChip(inv.positionals[0]);
    const Schedule schedule = scheduleFromOptions(inv);
    // The rules file is read before the board is opened: a refused file touches no board.
    std::optional<alarms::AlarmEngine> engine;
    if (auto rules = alarmRules(inv))
        engine.emplace(std::move(*rules));
    const bool exitOnAlarm = inv.has("--exit-on-alarm");
    if (exitOnAlarm && !engine)
        throw usageError("--exit-on-alarm needs --alarms FILE");
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

    std::deque<std::string> recentAlarms;
    bool alarmFired = false;

    InterruptGuard interrupts;
    std::int64_t sample = 0;
    if (!inv.json && !ctx.outputIsTerminal)
        ctx.out << header << "\n";
    runPeriodically(schedule, [&] {
        ++sample;
        QJsonArray rows;
        std::string text;
        std::vector<alarms::AlarmEvent> events;
        auto keep = [&events](std::vector<alarms::AlarmEvent> more) {
            events.insert(events.end(), more.begin(), more.end());
        };
        auto printAlarms = [&] {
            for (const alarms::AlarmEvent& event : events) {
                if (!ctx.outputIsTerminal || inv.json)
                    printAlarm(ctx.out, inv.json, event);
                recentAlarms.push_back(alarms::eventText(event));
                if (recentAlarms.size() > kAlarmsShown)
                    recentAlarms.pop_front();
            }
        };
        for (Chip chip : chips) {
            logging::TakenReadings taken;
            try {
                taken = logging::takeReadings(session->state(), session->board(), chip);
            } catch (const BoardLostError&) {
                // Its failing alarms go out before the loss ends the watch.
                if (engine) {
                    keep(engine->boardLost(std::chrono::system_clock::now()));
                    printAlarms();
                    ctx.out.flush();
                }
                throw;
            }
            if (engine)
                keep(engine->feed(chip, alarms::tickOf(taken, chip),
                                  std::chrono::system_clock::now()));
            try {
                addRow(*session, chip, taken, inv.json, rows, text);
            } catch (const FailedReadError& failed) {
                printFailure(ctx.err, inv.json, {failed.what(), "board", failed.reason(), {}});
            }
        }
        // A transition comes before the row of the readings that made it, as one that a lost
        // board made comes with no row.
        printAlarms();
        if (inv.json) {
            QJsonObject line{{"sample", static_cast<qint64>(sample)}, {"readings", rows}};
            if (engine)
                line["type"] = "reading";
            printJson(ctx.out, line);
        } else if (ctx.outputIsTerminal) {
            ctx.out << "\x1b[H\x1b[J" << header << "\n" << text;
        } else {
            ctx.out << text;
        }
        if (ctx.outputIsTerminal && !inv.json && !recentAlarms.empty()) {
            ctx.out << "\n";
            for (const std::string& line : recentAlarms)
                ctx.out << line << "\n";
        }
        ctx.out.flush();
        alarmFired = anyFiring(events);
        return exitOnAlarm && alarmFired ? StepEnd::Stop : StepEnd::Counted;
    });
    return exitOnAlarm && alarmFired ? kExitAlarm : kExitOk;
}

} // namespace zr::cli
