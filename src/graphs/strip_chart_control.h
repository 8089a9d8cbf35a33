// SPDX-License-Identifier: MIT
#pragma once

// The strip-chart control as the graph windows use it: exactly five operations, with the value
// types the windows rely on. Everything else about the chart (history, scrolling, drawing) is
// the chart's own business.

#include "graphs/strip_chart/strip_chart.h"
#include "platform/clock.h"

#include <QString>
#include <cstdint>

namespace zr {

class StripChartControl {
public:
    StripChartControl(chart::StripChart& chart, const Clock& clock);

    // AddSample: the value becomes the newest point of the trace, at the current time: placed by
    // the steady clock (a wall clock set back or forward neither stalls nor tears the trace) and
    // labelled with the wall time it was taken at. Samples
    // given to different traces in one quick burst share one time, so that a reading of several
    // channels lines up. A trace that does not exist is refused with std::out_of_range.
    void AddSample(std::int16_t trace, double value);

    // LabelIndex (write): selects the label that the next Caption write replaces.
    void setLabelIndex(std::int16_t index);
    // Caption (write): replaces the text of the selected label.
    void setCaption(const QString& text);

    // AxisMin, AxisMax: the ends of the vertical axis, read as double, written as 16-bit whole
    // numbers.
    double AxisMin() const;
    void setAxisMin(std::int16_t value);
    double AxisMax() const;
    void setAxisMax(std::int16_t value);

    chart::StripChart& chart() { return chart_; }

private:
    qint64 sampleTime(std::int16_t trace);

    chart::StripChart& chart_;
    const Clock& clock_;
    // Steady time plus this is the chart's timeline: the wall time as it stood when the window
    // opened, so that the two agree for as long as nobody sets the clock.
    qint64 timelineOffsetMs_;
    std::int16_t labelIndex_ = 0;
    qint64 burstMs_ = 0;
    std::uint64_t burstTraces_ = 0; // bit per trace that already has a sample at burstMs_
};

} // namespace zr
