// SPDX-License-Identifier: MIT
#pragma once

// "Limits...": a graph window's alarm rules. One row per trace (a high and a low limit, their
// hysteresis and hold-off, a frozen-reading count), and the chip's failing-read count.

#include "alarms/rule_edit.h"

#include <QDialog>
#include <QString>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace zr {

struct LimitsTrace {
    int channel;  // alarm_rule.h's channel index
    QString name; // as the legend says it: "External", "12V"
    QString unit; // "°C", "V"
};

class LimitsDialog : public QDialog {
    Q_OBJECT
public:
    LimitsDialog(const std::vector<LimitsTrace>& traces, const alarms::ChartLimits& current,
                 QWidget* parent = nullptr);

    // What the fields say now.
    alarms::ChartLimits limits() const;

private:
    struct Row {
        int channel = 0;
        QCheckBox* highOn = nullptr;
        QDoubleSpinBox* high = nullptr;
        QCheckBox* lowOn = nullptr;
        QDoubleSpinBox* low = nullptr;
        QDoubleSpinBox* hysteresis = nullptr;
        QDoubleSpinBox* holdOff = nullptr;
        QCheckBox* frozenOn = nullptr;
        QSpinBox* frozen = nullptr;
    };
    Chip chip_;
    std::vector<Row> rows_;
    QCheckBox* failingOn_;
    QSpinBox* failing_;
};

} // namespace zr
