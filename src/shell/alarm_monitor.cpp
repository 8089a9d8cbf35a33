// SPDX-License-Identifier: MIT
#include "shell/alarm_monitor.h"

#include "alarms/rules_file.h"
#include "alarms/step_tick.h"
#include "text/text_rules.h"

#include <QFileInfo>
#include <algorithm>

namespace zr {

using alarms::AlarmEvent;
using alarms::Rule;
using alarms::RuleKind;

AlarmMonitor::AlarmMonitor(QObject* parent) : QObject(parent) {}

void AlarmMonitor::load(const QString& path)
{
    path_ = path;
    refusal_.clear();
    std::vector<Rule> rules;
    if (QFileInfo::exists(path)) {
        try {
            rules = alarms::loadRulesFile(path.toStdString());
        } catch (const alarms::RulesFileError& error) {
            refusal_ = QString::fromStdString(error.what());
        }
    }
    use(std::move(rules));
}

bool AlarmMonitor::save(std::vector<Rule> rules)
{
    try {
        alarms::saveRulesFile(path_.toStdString(), rules);
    } catch (const alarms::RulesFileError& error) {
        refusal_ = QString::fromStdString(error.what());
        return false;
    }
    // What a later load gives: the names of unnamed rules follow their new places.
    load(path_);
    return refusal_.isEmpty();
}

void AlarmMonitor::use(std::vector<Rule> rules)
{
    engine_ = alarms::AlarmEngine(std::move(rules));
    firingEvents_.assign(engine_.rules().size(), std::nullopt);
    emit rulesChanged();
}

void AlarmMonitor::feed(const TickReadings& tick, alarms::TimePoint at)
{
    if (engine_.rules().empty())
        return;
    std::array<std::optional<alarms::ChipTick>, kChipCount> chips;
    for (const StepReadings& step : tick.steps) {
        if (!step.error.empty())
            continue;
        const alarms::ChipTick read = alarms::tickOfStep(step.step, step.taken);
        auto& chip = chips[static_cast<std::size_t>(chipIndex(step.step.chip))];
        if (chip)
            alarms::mergeTick(*chip, read);
        else
            chip = read;
    }
    // A chip no window read this tick is fed too, with nothing read: its rules go idle.
    for (const ChipDescriptor& c : kChips) {
        const auto& chip = chips[static_cast<std::size_t>(chipIndex(c.chip))];
        report(engine_.feed(c.chip, chip.value_or(alarms::ChipTick{}), at));
    }
    emit evaluated();
}

void AlarmMonitor::boardLost(alarms::TimePoint at)
{
    report(engine_.boardLost(at));
    emit evaluated();
}

void AlarmMonitor::report(const std::vector<AlarmEvent>& events)
{
    for (const AlarmEvent& event : events) {
        firingEvents_[event.ruleIndex] =
            event.state == alarms::AlarmState::Firing ? std::optional(event) : std::nullopt;
        recent_.push_back(event);
        if (recent_.size() > kRecentKept)
            recent_.pop_front();
        emit changed(event);
    }
}

int AlarmMonitor::firingCount() const
{
    return static_cast<int>(std::count_if(firingEvents_.begin(), firingEvents_.end(),
                                          [](const auto& e) { return e.has_value(); }));
}

std::optional<AlarmEvent> AlarmMonitor::firingEvent(std::size_t rule) const
{
    return rule < firingEvents_.size() ? firingEvents_[rule] : std::nullopt;
}

namespace {

QString limitText(const Rule& rule)
{
    return QString::fromStdString(text::fixedTwoDecimals(rule.limit));
}

} // namespace

QString alarmLegendText(const Rule& rule)
{
    switch (rule.kind) {
    case RuleKind::High:
        return QStringLiteral("\u25b2 above ") + limitText(rule);
    case RuleKind::Low:
        return QStringLiteral("\u25bc below ") + limitText(rule);
    case RuleKind::Frozen:
        return QStringLiteral("\u25a0 frozen");
    case RuleKind::Failing:
        break;
    }
    return QStringLiteral("\u2716 failing");
}

QString alarmSummary(const Rule& rule, const AlarmEvent& event)
{
    QString what =
        QStringLiteral("%1 %2 ").arg(QString::fromLatin1(chipName(rule.chip)),
                                     QString::fromLatin1(alarms::channelName(rule.channel)));
    switch (rule.kind) {
    case RuleKind::High:
        what += QStringLiteral("above ") + limitText(rule);
        break;
    case RuleKind::Low:
        what += QStringLiteral("below ") + limitText(rule);
        break;
    case RuleKind::Frozen:
        what += QStringLiteral("frozen");
        break;
    case RuleKind::Failing:
        what += QStringLiteral("failing");
        break;
    }
    return QStringLiteral("%1 (%2): %3")
        .arg(QString::fromStdString(rule.name), what,
             QString::fromLatin1(alarms::stateName(event.state)));
}

} // namespace zr
