// SPDX-License-Identifier: MIT
#pragma once

// frmVoltGraphB: live strip chart of the supply rails of a chip that has them.

#include "board/board_library.h"
#include "board/chips.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/strip_chart_control.h"
#include "platform/child_window.h"
#include "platform/clock.h"

#include <QWidget>

namespace zr {

class VoltGraphWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    VoltGraphWindow(Chip chip, DeviceState& state, BoardLibrary& board, const Clock& clock,
                    QWidget* parent = nullptr);

    void UpdateVoltGraph();

    chart::StripChart& chart() { return stpVolt.chart(); }
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
    StripChartControl stpVolt;
};

} // namespace zr
