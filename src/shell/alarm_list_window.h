// SPDX-License-Identifier: MIT
#pragma once

// The alarm list: every rule with its state (firing since when, clear, or idle because no open
// window reads its channel), and the latest changes, newest first.

#include "platform/child_window.h"

#include <QWidget>

class QLabel;
class QTreeWidget;
class QListWidget;

namespace zr {

class AlarmMonitor;

class AlarmListWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit AlarmListWindow(const AlarmMonitor& monitor, QWidget* parent = nullptr);

    void Form_Load() override;
    bool talksToBoard() const override { return false; }

    QTreeWidget* rulesList() const { return lstRules; }
    QListWidget* changesList() const { return lstChanges; }

public slots:
    void refresh();

private:
    const AlarmMonitor& monitor_;
    QLabel* lblFile;
    QTreeWidget* lstRules;
    QListWidget* lstChanges;
};

} // namespace zr
