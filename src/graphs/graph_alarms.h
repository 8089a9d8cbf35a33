// SPDX-License-Identifier: MIT
#pragma once

// What a graph window shows of the alarms on its traces: each high or low limit as a dashed line
// in the trace's colour, a shaded plot edge while one fires, and the firing alarm after the
// reading in the trace's legend ("External: 31.02°C ▲ above 30.00"). The window's chart also
// gets "Limits..." in its context menu.

#include "graphs/strip_chart/strip_chart.h"

#include <QString>
#include <optional>
#include <vector>

class QAction;

namespace zr {

struct TraceAlarm {
    int trace = -1;              // the chart's trace; -1 for the whole chart
    std::optional<double> limit; // high and low rules: drawn as a line
    bool firing = false;
    QString legendText; // shown after the trace's reading while it fires
};

class GraphAlarms {
public:
    // Legend lines are the chart's labels of the same index as their trace.
    explicit GraphAlarms(chart::StripChart& chart);

    QAction* limitsAction() const { return limitsAction_; }

    void show(std::vector<TraceAlarm> alarms);
    const std::vector<TraceAlarm>& shown() const { return alarms_; }
    // A trace's legend: its reading's text and the trace's firing alarms after it. The reading's
    // text is kept, so that a later change of the alarms rewrites the legend at once.
    QString legend(int trace, const QString& reading);

private:
    QString legendWithAlarms(int trace) const;

    chart::StripChart& chart_;
    QAction* limitsAction_;
    std::vector<TraceAlarm> alarms_;
    std::vector<QString> readings_; // by trace: the legend without its alarms
};

} // namespace zr
