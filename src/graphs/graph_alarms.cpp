// SPDX-License-Identifier: MIT
#include "graphs/graph_alarms.h"

#include <QAction>
#include <algorithm>

namespace zr {

GraphAlarms::GraphAlarms(chart::StripChart& chart)
    : chart_(chart), limitsAction_(new QAction(QStringLiteral("Limits..."), &chart)),
      readings_(static_cast<std::size_t>(chart.traceCount()))
{
    limitsAction_->setObjectName("actLimits");
    limitsAction_->setShortcut(Qt::Key_L);
    chart.addMenuAction(limitsAction_);
}

void GraphAlarms::show(std::vector<TraceAlarm> alarms)
{
    alarms_ = std::move(alarms);
    std::vector<chart::StripChart::LimitLine> lines;
    for (const TraceAlarm& a : alarms_)
        if (a.limit && a.trace >= 0)
            lines.push_back({a.trace, *a.limit});
    chart_.setLimitLines(std::move(lines));
    chart_.setAlarmShade(
        std::any_of(alarms_.begin(), alarms_.end(), [](const TraceAlarm& a) { return a.firing; }));
    for (int trace = 0; trace < static_cast<int>(readings_.size()); ++trace)
        if (!readings_[static_cast<std::size_t>(trace)].isEmpty())
            chart_.setLabelText(trace, legendWithAlarms(trace));
}

QString GraphAlarms::legend(int trace, const QString& reading)
{
    readings_[static_cast<std::size_t>(trace)] = reading;
    return legendWithAlarms(trace);
}

QString GraphAlarms::legendWithAlarms(int trace) const
{
    QString text = readings_[static_cast<std::size_t>(trace)];
    for (const TraceAlarm& a : alarms_)
        if (a.firing && a.trace == trace)
            text += QLatin1Char(' ') + a.legendText;
    return text;
}

} // namespace zr
