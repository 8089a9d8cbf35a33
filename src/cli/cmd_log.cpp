// SPDX-License-Identifier: MIT
#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/periodic.h"
#include "logging/log_session.h"
#include "logging/take_readings.h"

#include <QString>
#include <array>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zr::cli {
namespace {

bool sameName(const std::string& given, const char* name)
{
    return QString::fromStdString(given).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

std::vector<std::string> splitAtCommas(const std::string& list)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0; !list.empty();) {
        const std::size_t comma = list.find(',', start);
        parts.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return parts;
}

// "internal,external,offset,12v,5v,vcc,2.5v,vccp" in any order and case; an empty list logs no
// column, as a save-data window with every box cleared.
logging::LogOptions columnsFromList(const std::string& list, Chip chip)
{
    logging::LogOptions o;
    for (const ChipReadingDescriptor& reading : kChipReadings)
        logging::ticked(o, reading.reading) = false;
    o.voltages.fill(false);
    for (const std::string& name : splitAtCommas(list)) {
        bool* column = nullptr;
        for (const ChipReadingDescriptor& reading : kChipReadings)
            if (sameName(name, reading.key))
                column = &logging::ticked(o, reading.reading);
        for (int i = 0; i < kRailCount; ++i) {
            if (!sameName(name, kRails[i].name))
                continue;
            if (!hasRails(chip))
                throw usageError("--columns: '" + name + "' is a rail of " +
                                 chipName(chipWithRails()) + " only");
            column = &o.voltages[i];
        }
        if (!column)
            throw usageError("--columns: unknown column '" + name + "'");
        *column = true;
    }
    return o;
}

// Without --keep-going a chip that fails every reading ends the log after this many in a row
// (about 5 s at the default rate), rather than waiting for a --count that no record reaches.
constexpr std::int64_t kFailedReadingsInARow = 20;

std::string recordsText(std::int64_t records)
{
    return std::to_string(records) + (records == 1 ? " record" : " records");
}

// `written`: the records the file got before it failed, when the log had started.
CliError logFailure(const logging::LogError& e, std::optional<std::int64_t> written)
{
    std::string message = "cannot write the log " + e.path() + ": " + e.reason();
    if (written)
        message += e.fileGone() ? "; " + recordsText(*written) + " had been written to it"
                                : "; it holds " + recordsText(*written);
    return CliError(kExitIoError, message);
}

} // namespace

int runLog(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    const Chip chip = parseChip(inv.positionals.at(0));
    const std::string path = inv.positionals.at(1);
    if (path.empty())
        throw usageError("FILE: '' names no file");
    const logging::LogOptions columns = inv.has("--columns")
                                            ? columnsFromList(*inv.value("--columns"), chip)
                                            : logging::LogOptions{};
    const Schedule schedule = scheduleFromOptions(inv);
    const auto session = ctx.openBoard();
    session->require(chip);

    const bool keepGoing = inv.has("--keep-going");
    std::int64_t records = 0;
    std::int64_t failedReadings = 0;
    std::int64_t failedInARow = 0;
    bool started = false;
    // The events file is the log's companion: its failure is told once and the log goes on.
    const auto eventsFailed = [&](const std::string& events, const std::string& reason) {
        ctx.err << kToolName << ": the events file " << events << " is not written: " << reason
                << "; the log goes on without it.\n";
    };
    try {
        const auto now = [] { return std::chrono::system_clock::now(); };
        logging::LogSession log(
            path, chip, columns, now(), schedule.interval,
            {session->address(chip), session->board().description(), session->board().portPath()},
            eventsFailed);
        started = true;
        log.note(chipEvent(chip, EventKind::LogStarted));
        InterruptGuard interrupts;
        try {
            runPeriodically(schedule, [&] {
                const logging::TakenReadings taken =
                    logging::takeReadings(session->state(), session->board(), chip);
                try {
                    // As in the save-data window, a failed read is left out and the log goes on.
                    logging::requireSuccessfulReads(taken, chip, "no record was written");
                } catch (const FailedReadError& failed) {
                    printFailure(ctx.err, inv.json, {failed.what(), "board", failed.reason(), {}});
                    ++failedReadings;
                    if (++failedInARow >= kFailedReadingsInARow && !keepGoing) {
                        ctx.err << kToolName << ": " << failedInARow
                                << " readings in a row failed; the log stops.\n";
                        return StepEnd::Stop;
                    }
                    return StepEnd::NotCounted;
                }
                log.writeRecord(columns, taken.values, std::chrono::steady_clock::now(), now());
                ++records;
                failedInARow = 0;
                return StepEnd::Counted;
            });
        } catch (const BoardLostError& lost) {
            // Keep what was written: close the file before reporting the loss, with what it holds.
            log.note(boardEvent(lost.notResponding() ? EventKind::BoardNotResponding
                                                     : EventKind::BoardLost));
            log.note(chipEvent(chip, EventKind::LogStopped));
            log.close(now());
            ctx.out.flush();
            printFailure(ctx.err, inv.json,
                         {std::string(lost.what()) + "; " + path + " holds " + recordsText(records),
                          "board", lost.reason(), kExitBoardMissing});
            return kExitBoardMissing;
        }
        log.note(chipEvent(chip, EventKind::LogStopped));
        log.close(now());
    } catch (const logging::LogError& e) {
        throw logFailure(e, started ? std::optional<std::int64_t>(records) : std::nullopt);
    }

    if (inv.json) {
        QJsonObject o = chipJson(*session, chip);
        addFileName(o, path);
        o["records"] = static_cast<qint64>(records);
        o["failedReadings"] = static_cast<qint64>(failedReadings);
        printJson(ctx.out, o);
    } else {
        ctx.out << records << (records == 1 ? " record" : " records") << " written to " << path;
        if (failedReadings > 0)
            ctx.out << "; " << failedReadings << (failedReadings == 1 ? " reading" : " readings")
                    << " failed and left no record";
        ctx.out << "\n";
    }
    // A script that asked for N records learns from the status that it has fewer, or gaps.
    return failedReadings > 0 && !keepGoing ? kExitBoardMissing : kExitOk;
}

} // namespace zr::cli
