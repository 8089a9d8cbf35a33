// SPDX-License-Identifier: MIT
#include "graphs/legend_age.h"

#include "platform/clock_text.h"

namespace zr {

LegendAge::LegendAge(chart::StripChart& chart, std::vector<int> legendLabels, const Clock& clock)
    : chart_(chart), labels_(std::move(legendLabels)), clock_(clock)
{
}

void LegendAge::readingShown()
{
    // On every tick: only the time is noted; the chart changes only when the legends come back.
    last_ = clock_.now();
    if (!greyed_)
        return;
    greyed_ = false;
    for (int label : labels_)
        chart_.setLabelGreyed(label, false);
}

void LegendAge::readingMissed()
{
    // Before the first reading the legends hold only their captions: nothing is old.
    if (greyed_ || !last_)
        return;
    greyed_ = true;
    const QString tip = QStringLiteral("Last reading at ") + timeOfDayText(*last_);
    for (int label : labels_)
        chart_.setLabelGreyed(label, true, tip);
}

} // namespace zr
