// SPDX-License-Identifier: MIT
#include "logging/events_format.h"

#include "text/text_rules.h"
#include "version.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace zr::logging {
namespace {

using Json = nlohmann::ordered_json;

std::string dump(const Json& line)
{
    return line.dump(-1, ' ', false, Json::error_handler_t::strict);
}

} // namespace

std::string utcText(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(when);
    const std::time_t seconds = system_clock::to_time_t(floor<std::chrono::seconds>(ms));
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    const long long fraction = (ms.time_since_epoch() % 1000).count();
    char millis[32]; // room for any long long, though a fraction has three digits
    std::snprintf(millis, sizeof millis, ".%03lldZ", fraction < 0 ? fraction + 1000 : fraction);
    return std::string(text, n) + millis;
}

std::string startLine(const EventsStart& start)
{
    Json lines = Json::array();
    for (const std::string& line : start.savLines)
        lines.push_back(text::utf8Text(line));
    return dump({{"format", kEventsFormat},
                 {"kind", "start"},
                 {"lines", lines},
                 {"columns", start.columns},
                 {"time", utcText(start.started)},
                 {"intervalMs", start.interval.count()},
                 {"chip", chipName(start.chip)},
                 {"address", start.address},
                 {"board", text::utf8Text(start.board)},
                 {"port", text::utf8Text(start.port)},
                 {"version", version::text}});
}

std::string anchorLine(std::int64_t record, std::chrono::system_clock::time_point when)
{
    return dump({{"kind", "anchor"}, {"record", record}, {"time", utcText(when)}});
}

std::string markerLine(std::int64_t record, const ProgramEvent& event)
{
    if (const std::optional<AlarmChange>& a = event.alarm) {
        // "kind" names the line, so the rule's kind goes under "ruleKind".
        Json line = {{"kind", "alarm"},
                     {"record", record},
                     {"time", a->time},
                     {"rule", a->rule},
                     {"chip", chipName(*event.chip)},
                     {"channel", a->channel},
                     {"ruleKind", a->kind},
                     {"state", a->state}};
        line["value"] = a->value ? Json(*a->value) : Json(nullptr);
        return dump(line);
    }
    return dump({{"kind", "marker"},
                 {"record", record},
                 {"text", text::utf8Text(event.text)},
                 {"event", eventKindName(event.kind)}});
}

std::string optionsLine(std::int64_t record, const std::vector<std::string>& columns)
{
    return dump({{"kind", "options"}, {"record", record}, {"columns", columns}});
}

std::string stopLine(std::int64_t record, std::chrono::system_clock::time_point when)
{
    return dump({{"kind", "stop"}, {"record", record}, {"time", utcText(when)}});
}

} // namespace zr::logging
