// SPDX-License-Identifier: MIT
#pragma once

// The alarm rules file, one JSON document every front end reads:
//   {"rules": [
//     {"chip": "ZR410A", "channel": "external", "kind": "high", "limit": 30.0,
//      "hysteresis": 1.0, "holdOff": 5, "name": "chamber too hot"},
//     {"chip": "ZR410A", "channel": "internal", "kind": "frozen", "count": 240},
//     {"chip": "ZR410B", "channel": "any", "kind": "failing", "count": 3}]}
// high and low take limit, hysteresis and holdOff (seconds), frozen and failing take count; name
// is optional. A file with any problem is refused whole, with a message naming the rule.

#include "alarms/alarm_rule.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace zr::alarms {

class RulesFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws RulesFileError: "FILE: rule 2: unknown key \"limt\"".
std::vector<Rule> loadRulesFile(const std::string& path);
// The same for a text already read; `origin` starts every message.
std::vector<Rule> parseRules(const std::string& text, const std::string& origin);

// The rules as a rules file, one rule a line in the keys' usual order. A name of the form "rule N"
// is left out, so that such a rule takes its new place's name when loaded.
std::string rulesText(const std::vector<Rule>& rules);
// Writes the rules file whole or not at all: a new file renamed over the old, its folder made
// when missing. Throws RulesFileError naming the file and the reason.
void saveRulesFile(const std::string& path, const std::vector<Rule>& rules);

// $XDG_CONFIG_HOME/zr410ab/alarms.json, or ~/.config/zr410ab/alarms.json.
std::string defaultRulesPath();

} // namespace zr::alarms
