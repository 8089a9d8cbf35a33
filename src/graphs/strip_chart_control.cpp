// SPDX-License-Identifier: MIT
#include "graphs/strip_chart_control.h"

#include <chrono>
#include <stdexcept>
#include <string>

namespace zr {
namespace {
// Samples of one reading are added microseconds apart; a new reading comes a timer tick later.
constexpr qint64 kBurstMs = 50;

qint64 wallMs(const Clock& clock)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock.now().time_since_epoch())
        .count();
}

qint64 steadyMs(const Clock& clock)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               clock.steadyNow().time_since_epoch())
        .count();
}
} // namespace

StripChartControl::StripChartControl(chart::StripChart& chart, const Clock& clock)
    : chart_(chart), clock_(clock), timelineOffsetMs_(wallMs(clock) - steadyMs(clock))
{
    chart_.setClock([&clock, offset = timelineOffsetMs_] { return steadyMs(clock) + offset; });
}

qint64 StripChartControl::sampleTime(std::int16_t trace)
{
    const qint64 now = steadyMs(clock_) + timelineOffsetMs_;
    const std::uint64_t bit = trace < 64 ? std::uint64_t{1} << trace : 0;
    const bool sameBurst =
        bit != 0 && !(burstTraces_ & bit) && now >= burstMs_ && now - burstMs_ < kBurstMs;
    if (!sameBurst) {
        burstMs_ = now;
        burstTraces_ = 0;
    }
    burstTraces_ |= bit;
    return burstMs_;
}

void StripChartControl::AddSample(std::int16_t trace, double value)
{
    if (trace < 0 || trace >= chart_.traceCount())
        throw std::out_of_range("The strip chart has no trace " + std::to_string(trace) + ".");
    const qint64 at = sampleTime(trace);
    chart_.noteWallClock(at, wallMs(clock_));
    chart_.addSample(trace, at, value);
}

void StripChartControl::setLabelIndex(std::int16_t index)
{
    if (index < 0 || index >= chart_.labelCount())
        throw std::out_of_range("The strip chart has no label " + std::to_string(index) + ".");
    labelIndex_ = index;
}

void StripChartControl::setCaption(const QString& text)
{
    chart_.setLabelText(labelIndex_, text);
}

double StripChartControl::AxisMin() const
{
    return chart_.axisMin();
}

void StripChartControl::setAxisMin(std::int16_t value)
{
    chart_.setAxisMin(value);
}

double StripChartControl::AxisMax() const
{
    return chart_.axisMax();
}

void StripChartControl::setAxisMax(std::int16_t value)
{
    chart_.setAxisMax(value);
}

} // namespace zr
