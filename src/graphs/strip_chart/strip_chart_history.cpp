// SPDX-License-Identifier: MIT
// The chart's word on its older history: whole, kept in memory, or no longer complete.
#include "graphs/strip_chart/strip_chart.h"

#include <QPainter>

namespace zr::chart {

void StripChart::checkHistory(const TraceStore& store)
{
    const TraceStore::History history = store.history();
    if (history == TraceStore::History::Whole)
        return;
    const bool incomplete = history == TraceStore::History::Incomplete;
    // Once incomplete, it stays so: a later trace kept in memory changes nothing.
    if (!historyStatus_.isEmpty() && (historyIncomplete_ || !incomplete))
        return;
    const bool told = !historyStatus_.isEmpty();
    const QString reason = QString::fromStdString(store.historyReason());
    historyStatus_ = incomplete
                         ? QStringLiteral("Older history is no longer complete (%1)").arg(reason)
                         : QStringLiteral("Older history stays in memory (%1)").arg(reason);
    historyIncomplete_ = incomplete;
    requestRepaint(plotRect(), false);
    if (told)
        return;
    // The box comes after the sample is in: the caller's tick is not held up by it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            prompts_->showMessage(this, MessageIcon::Warning,
                                  historyStatus_ +
                                      QStringLiteral(". The logs are not affected; the chart "
                                                     "goes on with what it holds."));
        },
        Qt::QueuedConnection);
}

QRectF StripChart::historyStatusBox() const
{
    if (historyStatus_.isEmpty())
        return {};
    const QRect plot = plotRect();
    const QFontMetrics fm = fontMetrics();
    const double height = fm.height() + 4;
    const QRectF box(plot.left() + 4, plot.bottom() - 4 - height,
                     fm.horizontalAdvance(historyStatus_) + 8, height);
    return box.intersected(QRectF(plot));
}

void StripChart::drawHistoryStatus(QPainter& p) const
{
    const QRectF box = historyStatusBox();
    if (box.isEmpty())
        return;
    p.setPen(palette().color(QPalette::Text));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRect(box);
    p.setFont(font());
    p.drawText(box, Qt::AlignCenter, historyStatus_);
}

} // namespace zr::chart
