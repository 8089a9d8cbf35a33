// SPDX-License-Identifier: MIT
#pragma once

// frmTempGraphA / frmTempGraphB: live strip chart of one chip's two temperatures.

#include "board/chips.h"
#include "board/device_state.h"
#include "graphs/graph_alarms.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/legend_age.h"
#include "graphs/strip_chart_control.h"
#include "logging/take_readings.h"
#include "platform/child_window.h"
#include "platform/clock.h"

#include <QWidget>

namespace zr {

class TempGraphWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    TempGraphWindow(Chip chip, DeviceState& state, const Clock& clock, QWidget* parent = nullptr);

    // Plots one tick's temperatures of the window's chip, read by the board worker, and moves the
    // range around them. A failed read plots nothing and throws FailedReadError.
    void UpdateTempGraph(const logging::TakenReadings& readings);

    // The chip is not being read any more (the board is gone): the legends keep their last
    // reading, greyed, until the next one.
    void readingsStopped() { legendAge_.readingMissed(); }

    chart::StripChart& chart() { return stpTemp.chart(); }
    QCheckBox* autoAdjustBox() const { return chkAutoAdjust; }
    // The alarm rules on this window's traces: limits, shade and legends.
    GraphAlarms& alarms() { return alarms_; }

public slots:
    void Form_Load() override;
    // A marker on the chart at its newest sample: something the program did ("Offset 5").
    void addMarker(const QString& text);

signals:
    // The user added or deleted a note on the chart.
    void noteAdded(const QString& text);
    void noteRemoved(const QString& text);
    // The user asked to set the limits of this window's traces ("Limits..." or L on the chart).
    void limitsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AdjustGraphRange(const logging::Readings& readings);
    void Form_Unload();

    Chip chip_;
    DeviceState& state_;
    GraphWindowParts parts_;
    QGroupBox* Frame1;
    QCheckBox* chkAutoAdjust;
    StripChartControl stpTemp;
    LegendAge legendAge_;
    GraphAlarms alarms_;
};

} // namespace zr
