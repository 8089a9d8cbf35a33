// SPDX-License-Identifier: MIT
#include "shell/alarm_list_window.h"

#include "shell/alarm_monitor.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zr {
namespace {

constexpr int kWidthTwips = 9000;
constexpr int kHeightTwips = 5400;

QString stateText(const AlarmMonitor& monitor, std::size_t rule)
{
    if (const auto event = monitor.firingEvent(rule))
        return QStringLiteral("Firing since ") +
               QString::fromStdString(alarms::isoTime(event->time));
    if (monitor.idle(rule))
        return QStringLiteral("Idle: channel not read");
    return QStringLiteral("Clear");
}

} // namespace

AlarmListWindow::AlarmListWindow(const AlarmMonitor& monitor, QWidget* parent)
    : QWidget(parent), monitor_(monitor)
{
    setObjectName("frmAlarms");
    setWindowTitle("Alarms");
    auto* layout = new QVBoxLayout(this);
    lblFile = new QLabel(this);
    lblFile->setObjectName("lblRulesFile");
    lblFile->setWordWrap(true);
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(lblFile);

    auto* rulesCaption = new QLabel("&Rules:", this);
    lstRules = new QTreeWidget(this);
    lstRules->setObjectName("lstRules");
    lstRules->setAccessibleName("Rules");
    lstRules->setRootIsDecorated(false);
    lstRules->setHeaderLabels({"Rule", "Watches", "State"});
    lstRules->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    rulesCaption->setBuddy(lstRules);
    layout->addWidget(rulesCaption);
    layout->addWidget(lstRules, 1);

    auto* changesCaption = new QLabel("Recent &changes:", this);
    lstChanges = new QListWidget(this);
    lstChanges->setObjectName("lstChanges");
    lstChanges->setAccessibleName("Recent changes");
    changesCaption->setBuddy(lstChanges);
    layout->addWidget(changesCaption);
    layout->addWidget(lstChanges, 1);

    connect(&monitor, &AlarmMonitor::evaluated, this, &AlarmListWindow::refresh);
    connect(&monitor, &AlarmMonitor::rulesChanged, this, &AlarmListWindow::refresh);
    refresh();
}

void AlarmListWindow::Form_Load()
{
    setOuterSizeTwips(this, kWidthTwips, kHeightTwips);
    lstRules->setFocus();
}

void AlarmListWindow::refresh()
{
    const QString file = QDir::toNativeSeparators(monitor_.path());
    lblFile->setText(monitor_.refusal().isEmpty()
                         ? QStringLiteral("Rules file: ") + file
                         : QStringLiteral("Rules file refused: ") + monitor_.refusal());
    const std::vector<alarms::Rule>& rules = monitor_.rules();
    // Rows are kept and only their texts change, so a selected row stays where it is.
    while (lstRules->topLevelItemCount() > static_cast<int>(rules.size()))
        delete lstRules->takeTopLevelItem(lstRules->topLevelItemCount() - 1);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const int row = static_cast<int>(i);
        QTreeWidgetItem* item = lstRules->topLevelItem(row);
        if (!item)
            item = new QTreeWidgetItem(lstRules);
        const alarms::Rule& r = rules[i];
        item->setText(0, QString::fromStdString(r.name));
        item->setText(1, QStringLiteral("%1 %2 %3")
                             .arg(QString::fromLatin1(chipName(r.chip)),
                                  QString::fromLatin1(alarms::channelName(r.channel)),
                                  QString::fromLatin1(alarms::kindName(r.kind))));
        item->setText(2, stateText(monitor_, i));
    }
    const auto& recent = monitor_.recent();
    if (lstChanges->count() != static_cast<int>(recent.size()) ||
        (lstChanges->count() > 0 &&
         lstChanges->item(0)->text() != QString::fromStdString(alarms::eventText(recent.back())))) {
        lstChanges->clear();
        for (auto it = recent.rbegin(); it != recent.rend(); ++it)
            lstChanges->addItem(QString::fromStdString(alarms::eventText(*it)));
    }
}

} // namespace zr
