// SPDX-License-Identifier: MIT
#pragma once

// What the temperature and voltage windows have in common: the stored configuration of their
// strip chart (traces, labels, fonts, plot area, time formats, vertical range) and the window
// layout around it (the chart on the left four fifths, "Graph Options" on the top right).

#include "graphs/strip_chart/strip_chart.h"

#include <QColor>
#include <QPointF>
#include <QString>
#include <vector>

class QCheckBox;
class QGroupBox;
class QWidget;

namespace zr {

struct TraceSetup {
    QColor colour;
    QString name; // column heading of copied data
};

struct LabelSetup {
    QString text;
    QColor colour;
    QPointF position; // fractions of the chart's width and height
    bool isTitle = false;
    QString widestText = {}; // of a legend line: with its widest reading
};

struct ChartSetup {
    QString objectName;
    std::vector<TraceSetup> traces;
    std::vector<LabelSetup> labels;
    double axisMin = 0;
    double axisMax = 0;
};

inline const QColor kDarkGreen{0, 128, 0};

struct GraphWindowParts {
    chart::StripChart* chart = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkAutoAdjust = nullptr;
};

// Fills `window` with a configured chart and the options frame with its ticked check box.
GraphWindowParts buildGraphWindow(QWidget* window, const ChartSetup& setup);

// Initial outer size of a graph window, in twips.
inline constexpr int kGraphWindowWidthTwips = 14400;
inline constexpr int kGraphWindowHeightTwips = 5400;

} // namespace zr
