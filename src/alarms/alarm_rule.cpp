// SPDX-License-Identifier: MIT
#include "alarms/alarm_rule.h"

namespace zr::alarms {

const char* channelName(int channel)
{
    if (channel == kInternalChannel)
        return "internal";
    if (channel == kExternalChannel)
        return "external";
    if (isRailChannel(channel))
        return kRails[static_cast<std::size_t>(channel - kFirstRailChannel)].name;
    return "any";
}

const char* kindName(RuleKind kind)
{
    switch (kind) {
    case RuleKind::High:
        return "high";
    case RuleKind::Low:
        return "low";
    case RuleKind::Frozen:
        return "frozen";
    case RuleKind::Failing:
        return "failing";
    }
    return "";
}

} // namespace zr::alarms
