// SPDX-License-Identifier: MIT
#pragma once

// The statistics of a chart's traces over the visible span, or between its two cursors when
// there are two: count, extremes with the time of their first occurrence, mean, sample standard
// deviation and peak-to-peak, worked out from the stored samples (never from the drawn columns,
// so the zoom changes nothing but the span). A small tool window of the chart, hidden until
// asked for; while shown it follows the chart at most once per turn of the event loop, however
// many samples a tick brings. Values read as the legends do, with two decimals, the deviation
// with three; each figure is a label named for assistive technology ("Internal mean").

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;

namespace zr::chart {

class StripChart;

class StatisticsPanel : public QWidget {
    Q_OBJECT
public:
    enum Figure { Count, Min, Max, Mean, Deviation, PeakToPeak, MinTime, MaxTime, FigureCount };
    static QString figureObjectName(Figure figure, int trace); // "lblMean0"

    explicit StatisticsPanel(StripChart& chart);

    // Works the figures out again at the next turn of the event loop (once, however often asked).
    void scheduleRefresh();
    void refresh();
    // The figures as tab-separated text, with a line that says which span they cover.
    QString text() const;
    void copy() const;
    int refreshCount() const { return refreshCount_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString headerText(Figure figure) const;

    StripChart& chart_;
    QLabel* span_;
    std::vector<std::vector<QLabel*>> figures_; // by trace, then by Figure
    QPushButton* copyButton_;
    QTimer refreshTimer_;
    int refreshCount_ = 0;
};

} // namespace zr::chart
