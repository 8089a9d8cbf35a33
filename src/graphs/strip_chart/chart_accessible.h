// SPDX-License-Identifier: MIT
#pragma once

// The strip chart as assistive technology sees it: a chart named by its title (the label in
// the largest type) with one text element per label ("Internal: 24.50°C") and one for the
// vertical range ("Vertical range: 15 to 41"), then one per cursor readout, one for the readout
// between two cursors, and one per marker (StripChart::accessibleItemText). Elements are read on
// demand; the chart only announces which one changed, and only while an assistive client listens.

namespace zr::chart {

class StripChart;

// Once per program, before the first chart is shown.
void installChartAccessibility();

// The chart's hooks: a label's text or the vertical range has changed.
void chartLabelChanged(StripChart* chart, int label);
void chartRangeChanged(StripChart* chart);
// Cursors or markers came, went or moved.
void chartItemsChanged(StripChart* chart);

} // namespace zr::chart
