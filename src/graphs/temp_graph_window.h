// SPDX-License-Identifier: MIT
#pragma once

// frmTempGraphA / frmTempGraphB: live strip chart of one chip's two temperatures.

#include "board/board_library.h"
#include "board/chips.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/strip_chart_control.h"
#include "platform/child_window.h"
#include "platform/clock.h"

#include <QWidget>

namespace zr {

class TempGraphWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    TempGraphWindow(Chip chip, DeviceState& state, BoardLibrary& board, const Clock& clock,
                    QWidget* parent = nullptr);

    // Called by the main window's timer while the window's open flag is True; UpdateTempGraphA
    // and UpdateTempGraphB are the same, each updates the window's own chip.
    void UpdateTempGraph();
    void UpdateTempGraphA() { UpdateTempGraph(); }
    void UpdateTempGraphB() { UpdateTempGraph(); }

    chart::StripChart& chart() { return stpTemp.chart(); }
    QCheckBox* autoAdjustBox() const { return chkAutoAdjust; }

public slots:
    void Form_Load() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AdjustGraphRange();
    void Form_Unload();

    Chip chip_;
    DeviceState& state_;
    BoardLibrary& board_;
    GraphWindowParts parts_;
    QGroupBox* Frame1;
    QCheckBox* chkAutoAdjust;
    StripChartControl stpTemp;
};

} // namespace zr
