// SPDX-License-Identifier: MIT
#pragma once

// The program's alarms: the rules file's rules, evaluated by the core engine on what the open
// windows read on each tick (each chip's reads merged, so a channel read by a graph and a save
// window counts once), and the alarms' latest changes for the alarm list.

#include "alarms/alarm_engine.h"
#include "worker/board_worker.h"

#include <QObject>
#include <QString>
#include <deque>
#include <optional>

namespace zr {

class AlarmMonitor : public QObject {
    Q_OBJECT
public:
    // How many changes the list keeps.
    static constexpr std::size_t kRecentKept = 200;

    explicit AlarmMonitor(QObject* parent = nullptr);

    // Reads the rules file; a missing file means no rules. A refused file leaves no rules and
    // its reason in refusal(). Every alarm starts again clear.
    void load(const QString& path);
    // New rules, written to the rules file first; false (and refusal() says why) when it could
    // not be written, the old rules staying.
    bool save(std::vector<alarms::Rule> rules);
    const QString& path() const { return path_; }
    const std::vector<alarms::Rule>& rules() const { return engine_.rules(); }
    const QString& refusal() const { return refusal_; }

    void feed(const TickReadings& tick, alarms::TimePoint at);
    void boardLost(alarms::TimePoint at);

    bool firing(std::size_t rule) const { return engine_.firing(rule); }
    bool idle(std::size_t rule) const { return engine_.idle(rule); }
    int firingCount() const;
    // The latest firing change of a rule that still fires.
    std::optional<alarms::AlarmEvent> firingEvent(std::size_t rule) const;
    // Newest last.
    const std::deque<alarms::AlarmEvent>& recent() const { return recent_; }

signals:
    void changed(const alarms::AlarmEvent& event);
    // The rules were loaded or saved anew.
    void rulesChanged();
    // A tick was evaluated: rules may have gone idle or come back.
    void evaluated();

private:
    void use(std::vector<alarms::Rule> rules);
    void report(const std::vector<alarms::AlarmEvent>& events);

    QString path_;
    QString refusal_;
    alarms::AlarmEngine engine_{{}};
    std::vector<std::optional<alarms::AlarmEvent>> firingEvents_;
    std::deque<alarms::AlarmEvent> recent_;
};

// "External: 31.02°C ▲ above 30.00" and the like: what a legend adds for a firing rule.
QString alarmLegendText(const alarms::Rule& rule);
// The notification's and the list's words for a change: "ZR410A external above 30.00: firing".
QString alarmSummary(const alarms::Rule& rule, const alarms::AlarmEvent& event);

} // namespace zr
