// SPDX-License-Identifier: MIT
#include "cli/alarm_output.h"

#include "alarms/rules_file.h"
#include "cli/exit_status.h"
#include "cli/output.h"

#include <ostream>

namespace zr::cli {

std::optional<std::vector<alarms::Rule>> alarmRules(const Invocation& invocation)
{
    const auto path = invocation.value("--alarms");
    if (!path)
        return std::nullopt;
    try {
        return alarms::loadRulesFile(*path);
    } catch (const alarms::RulesFileError& refused) {
        throw usageError(std::string("--alarms: ") + refused.what());
    }
}

QJsonObject alarmJson(const alarms::AlarmEvent& event)
{
    return QJsonObject{
        {"type", "alarm"},
        {"time", QString::fromStdString(alarms::isoTime(event.time))},
        {"rule", QString::fromStdString(event.rule)},
        {"chip", chipName(event.chip)},
        {"channel", alarms::channelName(event.channel)},
        {"kind", alarms::kindName(event.kind)},
        {"state", alarms::stateName(event.state)},
        {"value", event.value ? QJsonValue(jsonNumber(*event.value)) : QJsonValue()},
    };
}

void printAlarm(std::ostream& out, bool json, const alarms::AlarmEvent& event)
{
    if (json)
        printJson(out, alarmJson(event));
    else
        out << alarms::eventText(event) << "\n";
}

} // namespace zr::cli
