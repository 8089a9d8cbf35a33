// SPDX-License-Identifier: MIT
// `stats`: the figures of a log's columns over a span of it, read from the file alone; no board.

#include "cli/command_table.h"
#include "cli/output.h"
#include "logging/log_statistics.h"
#include "logging/sav_reader.h"
#include "text/text_rules.h"

#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace zr::cli {
namespace {

namespace lg = zr::logging;

// Seconds from the start of the log (a decimal number, not negative), or an ISO 8601 wall time,
// which needs the start time only the events file holds.
std::optional<double> spanEnd(const Invocation& inv, const std::string& name,
                              const std::optional<lg::EventsLog>& events)
{
    const std::optional<std::string> text = inv.value(name);
    if (!text)
        return std::nullopt;
    double seconds = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, seconds);
    if (error == std::errc() && stop == end && std::isfinite(seconds) && seconds >= 0)
        return seconds;
    if (const auto wall = lg::isoMilliseconds(*text)) {
        const auto start = events ? lg::isoMilliseconds(events->time) : std::nullopt;
        if (!start)
            throw usageError(name + ": a wall time needs the log's .events file, which holds its "
                                    "start time; give seconds from the start instead");
        return static_cast<double>(*wall - *start) / 1000.0;
    }
    throw usageError(name + ": '" + *text +
                     "' is neither seconds from the start of the log nor an ISO 8601 time");
}

lg::LogWithEvents readLog(const std::string& path, bool partial)
{
    try {
        return lg::readLogWithEvents(path, partial ? lg::SavMode::Partial : lg::SavMode::Strict);
    } catch (const lg::SavFormatError& e) {
        throw CliError(kExitIoError, path + ": line " + std::to_string(e.problem().line) + ": " +
                                         e.problem().reason);
    } catch (const lg::SavFileError& e) {
        throw CliError(kExitIoError, path + ": " + e.reason());
    }
}

QJsonObject columnJson(const lg::ColumnStatistics& c)
{
    QJsonObject o;
    o["count"] = static_cast<qint64>(c.count);
    for (const lg::FigureField& field : lg::kFigureFields) {
        const std::optional<double> value = lg::figureOf(c, field);
        o[field.name] = value ? QJsonValue(*value) : QJsonValue();
    }
    return o;
}

// The legends' pattern: two decimals; the deviation with one more, as it is the finer figure.
std::string figureText(const lg::ColumnStatistics& c, double value, int decimals = 2)
{
    if (c.count == 0 || std::isnan(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void printTable(std::ostream& out, const std::vector<lg::ColumnStatistics>& figures)
{
    const std::pair<const char*, std::size_t> headings[] = {
        {"Column", 17}, {"Count", 9}, {"Min", 9},       {"Max", 9},     {"Mean", 9},
        {"SD", 10},     {"P-P", 9},   {"Min at s", 11}, {"Max at s", 0}};
    std::string line;
    for (const auto& [name, width] : headings)
        line += width ? padRight(name, width) : name;
    out << line << "\n";
    for (const lg::ColumnStatistics& c : figures) {
        const std::string cells[] = {c.name,
                                     std::to_string(c.count),
                                     figureText(c, c.min),
                                     figureText(c, c.max),
                                     figureText(c, c.mean),
                                     figureText(c, c.sd, 3),
                                     figureText(c, c.pp),
                                     figureText(c, c.minTime),
                                     figureText(c, c.maxTime)};
        line.clear();
        for (std::size_t i = 0; i < std::size(cells); ++i)
            line += headings[i].second ? padRight(cells[i], headings[i].second) : cells[i];
        out << trimRight(line) << "\n";
    }
}

} // namespace

int runStats(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    const std::string& path = inv.positionals.at(0);
    const lg::LogWithEvents read = readLog(path, inv.has("--partial"));
    const lg::SavLog& log = read.log;
    const std::optional<double> from = spanEnd(inv, "--from", read.events);
    const std::optional<double> to = spanEnd(inv, "--to", read.events);
    if (from && to && *from > *to)
        throw usageError("--from comes after --to");

    const std::vector<double> times = read.events
                                          ? lg::anchoredRecordTimes(*read.events, log.records)
                                          : lg::nominalRecordTimes(log.records);
    const std::string column = inv.value("--column").value_or("");
    const auto figures = lg::logStatistics(log, times, lg::recordSpan(times, from, to), column);
    if (!figures) {
        std::string names;
        for (const lg::SavColumn& c : log.columns)
            names += (names.empty() ? "" : ", ") + c.name;
        throw usageError("--column: the log has no column '" + column + "' (it has " + names + ")");
    }

    if (inv.json) {
        QJsonObject o;
        addFileName(o, path);
        o["chip"] = chipName(log.chip);
        o["records"] = static_cast<qint64>(log.records);
        QJsonObject columns;
        for (const lg::ColumnStatistics& c : *figures)
            columns[QString::fromStdString(c.name)] = columnJson(c);
        o["columns"] = columns;
        o["times"] = read.events ? "events" : "nominal";
        if (log.problem)
            o["stoppedAt"] = QJsonObject{{"line", static_cast<qint64>(log.problem->line)},
                                         {"reason", QString::fromStdString(log.problem->reason)}};
        printJson(ctx.out, o);
        return kExitOk;
    }
    ctx.out << chipName(log.chip) << " log of " << log.date << " " << log.time << ": "
            << log.records << " records\n";
    ctx.out << (read.events ? "Times from its events file\n"
                            : "Times at 250 ms a record (no events file of this log)\n");
    if (log.problem)
        ctx.out << "Read up to line " << log.problem->line << ": " << log.problem->reason << "\n";
    printTable(ctx.out, *figures);
    return kExitOk;
}

} // namespace zr::cli
