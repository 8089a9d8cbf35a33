// SPDX-License-Identifier: MIT
#include "logging/log_format.h"

#include "text/text_rules.h"

namespace zr::logging {
Readings readingsOf(const DeviceState& state)
{
    return {state.IntTemp, state.ExtTemp, state.ExtOffset, state.Voltage};
}

std::string headerLine(Chip chip, const LogOptions& options)
{
    std::string line;
    if (options.internal)
        line += "Internal,";
    if (options.external)
        line += "External,";
    if (options.externalOffset)
        line += "External Offset,";
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
    std::string line;
    if (options.internal)
        line += text::logNumberText(readings.intTemp);
    if (options.external)
        line += ',' + text::logNumberText(readings.extTemp);
    if (options.externalOffset)
        line += ',' + text::logNumberText(readings.extOffset);
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

} // namespace zr::logging
