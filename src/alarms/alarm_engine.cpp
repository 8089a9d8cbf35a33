// SPDX-License-Identifier: MIT
#include "alarms/alarm_engine.h"

#include "text/text_rules.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace zr::alarms {

const char* stateName(AlarmState state)
{
    return state == AlarmState::Firing ? "firing" : "clear";
}

AlarmEngine::AlarmEngine(std::vector<Rule> rules) : rules_(std::move(rules)), states_(rules_.size())
{
}

std::vector<AlarmEvent> AlarmEngine::feed(Chip chip, const ChipTick& tick, TimePoint at)
{
    std::vector<AlarmEvent> events;
    for (std::size_t i = 0; i < rules_.size(); ++i)
        if (rules_[i].chip == chip)
            if (auto event = evaluate(i, tick, at))
                events.push_back(std::move(*event));
    return events;
}

std::vector<AlarmEvent> AlarmEngine::boardLost(TimePoint at)
{
    std::vector<AlarmEvent> events;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        RuleState& s = states_[i];
        s.idle = true;
        s.runStart.reset();
        if (rules_[i].kind != RuleKind::Failing) {
            s.run = 0;
            continue;
        }
        s.run = std::max(s.run, rules_[i].count);
        if (!s.firing)
            events.push_back(change(i, at, std::nullopt));
    }
    return events;
}

std::optional<AlarmEvent> AlarmEngine::evaluate(std::size_t index, const ChipTick& tick,
                                                TimePoint at)
{
    const Rule& rule = rules_[index];
    if (rule.kind == RuleKind::Failing)
        return failing(index, tick, at);
    const ChannelReading& r = tick[static_cast<std::size_t>(rule.channel)];
    states_[index].idle = r.state == ReadState::NotRead;
    if (rule.kind == RuleKind::Frozen)
        return frozen(index, r, at);
    return limit(index, r, at);
}

std::optional<AlarmEvent> AlarmEngine::limit(std::size_t index, const ChannelReading& r,
                                             TimePoint at)
{
    const Rule& rule = rules_[index];
    RuleState& s = states_[index];
    const bool high = rule.kind == RuleKind::High;
    const float limit = static_cast<float>(rule.limit);
    const float back =
        static_cast<float>(high ? rule.limit - rule.hysteresis : rule.limit + rule.hysteresis);
    const float v = r.value;
    const bool towardChange =
        r.state == ReadState::Valid &&
        (s.firing ? (high ? v <= back : v >= back) : (high ? v > limit : v < limit));
    if (!towardChange) {
        s.runStart.reset();
        return std::nullopt;
    }
    if (!s.runStart)
        s.runStart = at;
    if (at - *s.runStart < rule.holdOff)
        return std::nullopt;
    s.runStart.reset();
    return change(index, at, v);
}

std::optional<AlarmEvent> AlarmEngine::frozen(std::size_t index, const ChannelReading& r,
                                              TimePoint at)
{
    RuleState& s = states_[index];
    if (r.state != ReadState::Valid) {
        s.run = 0;
        return std::nullopt;
    }
    // A firing rule keeps its reading across a gap: only a change clears it.
    const bool same = (s.run > 0 || s.firing) && r.value == s.last;
    s.run = same ? s.run + 1 : 1;
    s.last = r.value;
    if (s.firing ? !same : s.run >= rules_[index].count)
        return change(index, at, r.value);
    return std::nullopt;
}

std::optional<AlarmEvent> AlarmEngine::failing(std::size_t index, const ChipTick& tick,
                                               TimePoint at)
{
    const Rule& rule = rules_[index];
    RuleState& s = states_[index];
    ReadState state = ReadState::NotRead;
    std::optional<float> value;
    if (rule.channel == kAnyChannel) {
        for (const ChannelReading& r : tick)
            if (r.state != ReadState::NotRead && state != ReadState::Failed)
                state = r.state;
    } else {
        const ChannelReading& r = tick[static_cast<std::size_t>(rule.channel)];
        state = r.state;
        if (state == ReadState::Valid)
            value = r.value;
    }
    s.idle = state == ReadState::NotRead;
    if (state == ReadState::Failed) {
        ++s.run;
        if (!s.firing && s.run >= rule.count)
            return change(index, at, std::nullopt);
    } else if (state == ReadState::Valid) {
        s.run = 0;
        if (s.firing)
            return change(index, at, value);
    }
    return std::nullopt;
}

AlarmEvent AlarmEngine::change(std::size_t index, TimePoint at, std::optional<float> value)
{
    const Rule& rule = rules_[index];
    RuleState& s = states_[index];
    s.firing = !s.firing;
    return {at,
            index,
            rule.name,
            rule.chip,
            rule.channel,
            rule.kind,
            s.firing ? AlarmState::Firing : AlarmState::Clear,
            value};
}

std::string isoTime(TimePoint time)
{
    using namespace std::chrono;
    const auto since = time.time_since_epoch();
    const auto whole = floor<seconds>(since);
    const std::time_t t = static_cast<std::time_t>(whole.count());
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(duration_cast<milliseconds>(since - whole).count()));
    return text;
}

std::string eventText(const AlarmEvent& event)
{
    std::string line = isoTime(event.time) + " alarm " + event.rule + " " + stateName(event.state) +
                       ": " + chipName(event.chip) + " " + channelName(event.channel) + " " +
                       kindName(event.kind);
    if (event.value)
        line += ", " + text::decimalText(*event.value) +
                (isRailChannel(event.channel) ? "V" : "\u00b0C");
    return line;
}

} // namespace zr::alarms
