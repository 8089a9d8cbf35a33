// SPDX-License-Identifier: MIT
#include "alarms/rule_edit.h"

#include <algorithm>
#include <string>

namespace zr::alarms {
namespace {

const Rule* find(const std::vector<Rule>& rules, Chip chip, int channel, RuleKind kind)
{
    for (const Rule& r : rules)
        if (r.chip == chip && r.channel == channel && r.kind == kind)
            return &r;
    return nullptr;
}

// Sets, adds or (when `wanted` is empty) removes the first rule of its chip, channel and kind.
void place(std::vector<Rule>& rules, const std::optional<Rule>& wanted, Chip chip, int channel,
           RuleKind kind)
{
    auto it = std::find_if(rules.begin(), rules.end(), [&](const Rule& r) {
        return r.chip == chip && r.channel == channel && r.kind == kind;
    });
    if (!wanted) {
        if (it != rules.end())
            rules.erase(it);
        return;
    }
    if (it != rules.end()) {
        const std::string name = it->name;
        *it = *wanted;
        it->name = name;
    } else {
        rules.push_back(*wanted);
    }
}

// "rule 3": the name a rule without one of its own takes from its place.
bool isPlaceName(const std::string& name)
{
    const std::string prefix = "rule ";
    return name.empty() ||
           (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }));
}

} // namespace

ChartLimits limitsOf(const std::vector<Rule>& rules, Chip chip, const std::vector<int>& channels)
{
    ChartLimits limits;
    limits.chip = chip;
    for (int channel : channels) {
        ChannelLimits c;
        c.channel = channel;
        const Rule* high = find(rules, chip, channel, RuleKind::High);
        const Rule* low = find(rules, chip, channel, RuleKind::Low);
        if (high)
            c.high = high->limit;
        if (low)
            c.low = low->limit;
        if (const Rule* shared = high ? high : low) {
            c.hysteresis = shared->hysteresis;
            c.holdOff = shared->holdOff;
        }
        if (const Rule* frozen = find(rules, chip, channel, RuleKind::Frozen))
            c.frozenCount = frozen->count;
        limits.channels.push_back(c);
    }
    if (const Rule* failing = find(rules, chip, kAnyChannel, RuleKind::Failing))
        limits.failingCount = failing->count;
    return limits;
}

std::vector<Rule> withLimits(std::vector<Rule> rules, const ChartLimits& limits)
{
    const auto rule = [&](int channel, RuleKind kind) {
        Rule r;
        r.chip = limits.chip;
        r.channel = channel;
        r.kind = kind;
        return r;
    };
    for (const ChannelLimits& c : limits.channels) {
        for (RuleKind kind : {RuleKind::High, RuleKind::Low}) {
            const std::optional<double>& limit = kind == RuleKind::High ? c.high : c.low;
            std::optional<Rule> wanted;
            if (limit) {
                wanted = rule(c.channel, kind);
                wanted->limit = *limit;
                wanted->hysteresis = c.hysteresis;
                wanted->holdOff = c.holdOff;
            }
            place(rules, wanted, limits.chip, c.channel, kind);
        }
        std::optional<Rule> frozen;
        if (c.frozenCount) {
            frozen = rule(c.channel, RuleKind::Frozen);
            frozen->count = *c.frozenCount;
        }
        place(rules, frozen, limits.chip, c.channel, RuleKind::Frozen);
    }
    std::optional<Rule> failing;
    if (limits.failingCount) {
        failing = rule(kAnyChannel, RuleKind::Failing);
        failing->count = *limits.failingCount;
    }
    place(rules, failing, limits.chip, kAnyChannel, RuleKind::Failing);
    // A rule without a name of its own is called by its place, which may have changed.
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (isPlaceName(rules[i].name))
            rules[i].name = "rule " + std::to_string(i + 1);
    return rules;
}

} // namespace zr::alarms
