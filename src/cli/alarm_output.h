// SPDX-License-Identifier: MIT
#pragma once

// The alarms of watch and serve: the rules file of --alarms, and a transition as the tool prints
// it, a line for people or
//   {"type": "alarm", "time": "2026-03-14T09:26:53.589Z", "rule": "rule 1", "chip": "ZR410A",
//    "channel": "external", "kind": "high", "state": "firing", "value": 31.25}
// ("value": null after a failed read or a lost board).

#include "alarms/alarm_engine.h"
#include "cli/arguments.h"

#include <QJsonObject>
#include <optional>

namespace zr::cli {

// The rules of --alarms FILE, none without it; a file the loader refuses is a usage error.
std::optional<std::vector<alarms::Rule>> alarmRules(const Invocation& invocation);

QJsonObject alarmJson(const alarms::AlarmEvent& event);

void printAlarm(std::ostream& out, bool json, const alarms::AlarmEvent& event);

} // namespace zr::cli
