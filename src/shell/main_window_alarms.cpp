// SPDX-License-Identifier: MIT
// The main window's part in the alarms: the rules, the status field, markers, notifications.

#include "alarms/alarm_engine.h"
#include "alarms/rule_edit.h"
#include "alarms/rules_file.h"
#include "graphs/limits_dialog.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/events_format.h"
#include "platform/dbus_notifier.h"
#include "shell/alarm_list_window.h"
#include "shell/alarm_monitor.h"
#include "shell/main_window.h"
#include "text/decimal_value.h"

#include <QAction>
#include <QFileInfo>
#include <QPushButton>
#include <QStatusBar>

namespace zr {
namespace {

// The channels of a chip's graph window, in the order of its traces.
std::vector<LimitsTrace> windowTraces(bool rails)
{
    if (!rails)
        return {{alarms::kInternalChannel, "Internal", QStringLiteral("\u00b0C")},
                {alarms::kExternalChannel, "External", QStringLiteral("\u00b0C")}};
    std::vector<LimitsTrace> traces;
    for (int i = 0; i < kRailCount; ++i)
        traces.push_back({alarms::kFirstRailChannel + i, kRails[static_cast<std::size_t>(i)].name,
                          QStringLiteral("V")});
    return traces;
}

std::vector<TraceAlarm> traceAlarms(const AlarmMonitor& monitor, Chip chip, bool rails)
{
    const std::vector<LimitsTrace> traces = windowTraces(rails);
    std::vector<TraceAlarm> shown;
    for (std::size_t i = 0; i < monitor.rules().size(); ++i) {
        const alarms::Rule& rule = monitor.rules()[i];
        if (rule.chip != chip)
            continue;
        TraceAlarm a;
        if (rule.channel != alarms::kAnyChannel) {
            const auto it = std::find_if(traces.begin(), traces.end(), [&](const LimitsTrace& t) {
                return t.channel == rule.channel;
            });
            if (it == traces.end())
                continue;
            a.trace = static_cast<int>(it - traces.begin());
        }
        if (rule.kind == alarms::RuleKind::High || rule.kind == alarms::RuleKind::Low)
            a.limit = rule.limit;
        a.firing = monitor.firing(i);
        a.legendText = alarmLegendText(rule);
        shown.push_back(a);
    }
    return shown;
}

std::vector<int> channelsOf(const std::vector<LimitsTrace>& traces)
{
    std::vector<int> channels;
    for (const LimitsTrace& t : traces)
        channels.push_back(t.channel);
    return channels;
}

} // namespace

void MainWindow::buildAlarms()
{
    alarms_ = new AlarmMonitor(this);
    desktopNotifier_ = std::make_unique<DBusNotifier>(QStringLiteral("ZR410A_B"));
    notifier_ = desktopNotifier_.get();
    // Permanent, so that a passing message never hides a firing alarm; hidden while no rules
    // exist, so the window looks as it always did until the user sets a limit.
    alarmField_ = new QPushButton(this);
    alarmField_->setObjectName("alarmField");
    alarmField_->setFlat(true);
    alarmField_->hide();
    connect(alarmField_, &QPushButton::clicked, this, &MainWindow::showAlarmList);
    statusBar()->addPermanentWidget(alarmField_);
    auto* listKey = new QAction("Alarms", this);
    listKey->setObjectName("actAlarmList");
    listKey->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    listKey->setShortcutContext(Qt::ApplicationShortcut);
    connect(listKey, &QAction::triggered, this, &MainWindow::showAlarmList);
    addAction(listKey);
    connect(alarms_, &AlarmMonitor::changed, this, &MainWindow::onAlarmChanged);
    connect(alarms_, &AlarmMonitor::rulesChanged, this, &MainWindow::showAlarms);
}

void MainWindow::useAlarmRules(const QString& path)
{
    alarms_->load(path);
    if (!alarms_->refusal().isEmpty())
        showStatus(alarms_->refusal());
}

void MainWindow::showAlarmList()
{
    if (!alarmList_)
        alarmList_ = new AlarmListWindow(*alarms_);
    showChild(alarmList_);
}

AlarmListWindow* MainWindow::alarmListWindow() const
{
    return alarmList_.data();
}

void MainWindow::onAlarmChanged(const alarms::AlarmEvent& event)
{
    const alarms::Rule& rule = alarms_->rules()[event.ruleIndex];
    const QString summary = alarmSummary(rule, event);
    const QString marker = QStringLiteral("%1 %2").arg(QString::fromStdString(rule.name),
                                                       alarms::stateName(event.state));
    // On the chart that shows the channel; a failing rule on any channel marks both.
    const bool rail = alarms::isRailChannel(rule.channel);
    const bool any = rule.channel == alarms::kAnyChannel;
    if (TempGraphWindow* w = tempGraphWindow(rule.chip); w && (!rail || any))
        w->addMarker(marker);
    if (hasRails(rule.chip))
        if (VoltGraphWindow* w = voltGraphWindow(rule.chip); w && (rail || any))
            w->addMarker(marker);
    // The charts are marked above; the running log of the chip gets an alarm line.
    AlarmChange change{rule.name,
                       alarms::channelName(rule.channel),
                       alarms::kindName(rule.kind),
                       alarms::stateName(event.state),
                       std::nullopt,
                       logging::utcText(event.time)};
    if (event.value)
        change.value = text::decimalValue(*event.value); // 31.12, as the log writes it
    markInLogs(alarmChanged(rule.chip, std::move(change)));
    QString body = QString::fromStdString(alarms::eventText(event));
    notifier_->notify(summary, body);
    showAlarms();
}

void MainWindow::showAlarms()
{
    const std::vector<alarms::Rule>& rules = alarms_->rules();
    const bool refused = !alarms_->refusal().isEmpty();
    alarmField_->setVisible(!rules.empty() || refused);
    const int firing = alarms_->firingCount();
    QStringList firingNames;
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (alarms_->firing(i))
            firingNames << QString::fromStdString(rules[i].name);
    QString text;
    if (refused)
        text = QStringLiteral("Alarm rules refused");
    else if (firing == 0)
        text = QStringLiteral("No alarm");
    else
        text = QStringLiteral("\u26a0 Alarm: %1").arg(firingNames.join(QStringLiteral(", ")));
    alarmField_->setText(text);
    alarmField_->setAccessibleName(text);
    alarmField_->setToolTip(refused ? alarms_->refusal()
                                    : QStringLiteral("Alarm list (Ctrl+Shift+A)"));
    for (const ChipDescriptor& c : kChips) {
        if (TempGraphWindow* w = tempGraphWindow(c.chip))
            w->alarms().show(traceAlarms(*alarms_, c.chip, false));
        if (c.hasRails)
            if (VoltGraphWindow* w = voltGraphWindow(c.chip))
                w->alarms().show(traceAlarms(*alarms_, c.chip, true));
    }
}

void MainWindow::editLimits(Chip chip, bool rails)
{
    // The file as it is now, with what someone else wrote since it was loaded; a file that is
    // refused is never written over, so that no rule of it is lost.
    std::vector<alarms::Rule> rules;
    if (QFileInfo::exists(alarms_->path())) {
        try {
            rules = alarms::loadRulesFile(alarms_->path().toStdString());
        } catch (const alarms::RulesFileError& error) {
            services_.prompts.showMessage(
                this, MessageIcon::Warning,
                QStringLiteral("The alarm rules file must be mended before limits can be set:\n") +
                    QString::fromStdString(error.what()));
            return;
        }
    }
    const std::vector<LimitsTrace> traces = windowTraces(rails);
    QWidget* graph = rails ? static_cast<QWidget*>(voltGraphWindow(chip))
                           : static_cast<QWidget*>(tempGraphWindow(chip));
    auto* dialog =
        new LimitsDialog(traces, alarms::limitsOf(rules, chip, channelsOf(traces)), graph);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, rules] {
        if (!alarms_->save(alarms::withLimits(rules, dialog->limits())))
            services_.prompts.showMessage(this, MessageIcon::Warning,
                                          QStringLiteral("The limits were not saved: ") +
                                              alarms_->refusal());
    });
    dialog->open();
}

} // namespace zr
