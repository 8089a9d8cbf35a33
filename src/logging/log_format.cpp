// SPDX-License-Identifier: MIT
#include "logging/log_format.h"

#include "text/text_rules.h"

namespace zr::logging {
Readings readingsOf(const DeviceState& state)
{
    return {state.IntTemp, state.ExtTemp, state.ExtOffset, state.Voltage};
}

namespace {

// The box of LogOptions that ticks each reading, in the order of kChipReadings.
constexpr std::array<bool LogOptions::*, kChipReadings.size()> kTicks{
    &LogOptions::internal, &LogOptions::external, &LogOptions::externalOffset};

} // namespace

bool& ticked(LogOptions& options, ChipReading reading)
{
    return options.*kTicks[static_cast<std::size_t>(reading)];
}

bool ticked(const LogOptions& options, ChipReading reading)
{
    return options.*kTicks[static_cast<std::size_t>(reading)];
}

ReadingValue valueOf(const Readings& readings, ChipReading reading)
{
    switch (reading) {
    case ChipReading::Internal:
        return readings.intTemp;
    case ChipReading::External:
        return readings.extTemp;
    case ChipReading::ExternalOffset:
        return readings.extOffset;
    }
    return readings.intTemp;
}

std::string logText(const Readings& readings, ChipReading reading)
{
    return std::visit([](auto value) { return text::logNumberText(value); },
                      valueOf(readings, reading));
}

std::string headerLine(Chip chip, const LogOptions& options)
{
    std::string line;
    for (const ChipReadingDescriptor& reading : kChipReadings)
        if (ticked(options, reading.reading))
            line += reading.logColumn;
    if (hasRails(chip)) {
        line += ',';
        for (int i = 0; i < kRailCount; ++i)
            if (options.voltages[i])
                line += kRails[i].logColumn;
    }
    return line;
}

std::string recordLine(Chip chip, const LogOptions& options, const Readings& readings)
{
    // Every column but the first starts with ",", even when the first is not ticked.
    std::string line;
    for (const ChipReadingDescriptor& reading : kChipReadings) {
        if (!ticked(options, reading.reading))
            continue;
        if (&reading != &kChipReadings.front())
            line += ',';
        line += logText(readings, reading.reading);
    }
    line += ',';
    if (hasRails(chip)) {
        for (int i = 0; i < kRailCount; ++i)
            if (options.voltages[i])
                line += ", " + text::logNumberText(readings.voltages[i]);
    }
    return line;
}

std::string dateTimeLine(std::string_view dateText, std::string_view timeText)
{
    std::string line = "Date:,";
    line += dateText;
    line += ",Time:,";
    line += timeText;
    return line;
}

std::array<std::string, 3> headerLines(Chip chip, const LogOptions& options, std::string_view date,
                                       std::string_view time)
{
    return {chipName(chip), dateTimeLine(date, time), headerLine(chip, options)};
}

std::vector<std::string> columnNames(Chip chip, const LogOptions& options)
{
    std::vector<std::string> names;
    const auto add = [&](std::string_view logColumn) {
        names.emplace_back(logColumn.substr(0, logColumn.size() - 1)); // without its ','
    };
    for (const ChipReadingDescriptor& reading : kChipReadings)
        if (ticked(options, reading.reading))
            add(reading.logColumn);
    for (int i = 0; hasRails(chip) && i < kRailCount; ++i)
        if (options.voltages[i])
            add(kRails[i].logColumn);
    return names;
}

} // namespace zr::logging
