// SPDX-License-Identifier: MIT
// The chart's limit lines, its alarm shade and the owner's menu actions.

#include "graphs/strip_chart/strip_chart.h"

#include <QAction>
#include <QPainter>

namespace zr::chart {
namespace {

// How far into the plot the alarm shade reaches, in pixels.
constexpr int kShadeWidth = 6;

} // namespace

void StripChart::setLimitLines(std::vector<LimitLine> lines)
{
    limitLines_ = std::move(lines);
    requestRepaint(plotRect(), false);
}

void StripChart::setAlarmShade(bool shaded)
{
    if (shaded == alarmShade_)
        return;
    alarmShade_ = shaded;
    requestRepaint(plotRect(), false);
}

std::optional<double> StripChart::limitLineY(double value) const
{
    const QRect plot = plotRect();
    if (axisMax_ <= axisMin_ || value < axisMin_ || value > axisMax_)
        return std::nullopt;
    return plot.top() + (axisMax_ - value) / (axisMax_ - axisMin_) * (plot.height() - 1);
}

void StripChart::addMenuAction(QAction* action)
{
    ownerActions_.push_back(action);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setShortcutVisibleInContextMenu(true);
    addAction(action);
}

void StripChart::drawLimits(QPainter& p) const
{
    if (limitLines_.empty() && !alarmShade_)
        return;
    const QRect plot = plotRect();
    p.save();
    for (const LimitLine& line : limitLines_) {
        const std::optional<double> y = limitLineY(line.value);
        if (!y || line.trace < 0 || line.trace >= traceCount())
            continue;
        p.setPen(QPen(shownTraceColour(line.trace), 1, Qt::DashLine));
        p.drawLine(QPointF(plot.left(), *y), QPointF(plot.right(), *y));
    }
    if (alarmShade_) {
        QColor shade(220, 0, 0, 96);
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        const QRegion edge = QRegion(plot).subtracted(
            QRegion(plot.adjusted(kShadeWidth, kShadeWidth, -kShadeWidth, -kShadeWidth)));
        for (const QRect& r : edge)
            p.drawRect(r);
    }
    p.restore();
}

} // namespace zr::chart
