// SPDX-License-Identifier: MIT
#include "logging/events_reader.h"

#include "text/text_rules.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace zr::logging {
namespace {

using Json = nlohmann::json;

constexpr int kFormat = 1;
constexpr std::string_view kSuffix = ".events";

// The first three lines of a log's text, without their line ends; fewer when it has fewer.
std::vector<std::string> firstLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; lines.size() < 3;) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string_view::npos)
            break;
        lines.push_back(text::utf8Text(text.substr(at, end - at)));
        at = end + 2;
    }
    return lines;
}

template <typename T> T field(const Json& line, const char* key, T otherwise = {})
{
    const auto found = line.find(key);
    if (found == line.end())
        return otherwise;
    try {
        return found->get<T>();
    } catch (const Json::exception&) {
        return otherwise;
    }
}

void readLine(const Json& line, EventsLog& events)
{
    const std::string kind = field<std::string>(line, "kind");
    const std::int64_t record = field<std::int64_t>(line, "record", -1);
    if (record < 0)
        return;
    if (kind == "anchor")
        events.anchors.push_back({record, field<std::string>(line, "time")});
    else if (kind == "marker")
        events.markers.push_back(
            {record, field<std::string>(line, "text"), field<std::string>(line, "event")});
    else if (kind == "options")
        events.shapes.push_back({record, field<std::vector<std::string>>(line, "columns")});
    else if (kind == "stop")
        events.stop = EventsAnchor{record, field<std::string>(line, "time")};
}

} // namespace

std::optional<EventsLog> readEvents(std::string_view eventsText, std::string_view savText)
{
    EventsLog events;
    bool started = false;
    for (std::size_t at = 0; at < eventsText.size();) {
        const std::size_t end = eventsText.find('\n', at);
        if (end == std::string_view::npos)
            break; // cut off
        const Json line = Json::parse(eventsText.substr(at, end - at), nullptr, false);
        at = end + 1;
        if (!line.is_object())
            break;
        if (!started) {
            const auto lines = field<std::vector<std::string>>(line, "lines");
            if (field<int>(line, "format") != kFormat ||
                field<std::string>(line, "kind") != "start" || lines.size() != 3 ||
                lines != firstLines(savText))
                return std::nullopt;
            std::copy(lines.begin(), lines.end(), events.lines.begin());
            events.columns = field<std::vector<std::string>>(line, "columns");
            events.time = field<std::string>(line, "time");
            events.intervalMs = field<std::int64_t>(line, "intervalMs");
            events.chip = field<std::string>(line, "chip");
            events.address = field<std::int64_t>(line, "address");
            events.board = field<std::string>(line, "board");
            events.port = field<std::string>(line, "port");
            events.version = field<std::string>(line, "version");
            started = true;
            continue;
        }
        readLine(line, events);
    }
    if (!started)
        return std::nullopt;
    return events;
}

void dropPast(EventsLog& events, std::int64_t records)
{
    const auto past = [records](const auto& item) { return item.record > records; };
    std::erase_if(events.anchors, past);
    std::erase_if(events.markers, past);
    std::erase_if(events.shapes, past);
    if (events.stop && past(*events.stop))
        events.stop.reset();
}

LogWithEvents readLogWithEvents(const std::string& path, SavMode mode)
{
    const std::string text = readLogText(path);
    std::optional<EventsLog> events;
    try {
        events = readEvents(readLogText(path + std::string(kSuffix)), text);
    } catch (const SavFileError&) {
        // No events file, or none to read: the log stands on its own.
    }
    if (!events)
        return {readSav(text, mode, path), std::nullopt};
    SavLog log;
    try {
        log = readSavShaped(text, mode, events->shapes, path);
    } catch (const SavFormatError&) {
        // Options lines the log does not bear out: the log is read by its own header alone.
        return {readSav(text, mode, path), std::nullopt};
    }
    dropPast(*events, log.records);
    return {std::move(log), std::move(events)};
}

} // namespace zr::logging
