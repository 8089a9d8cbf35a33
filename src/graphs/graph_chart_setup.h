// SPDX-License-Identifier: MIT
#pragma once

// What the temperature and voltage windows have in common: the stored configuration of their
// strip chart (traces, labels, fonts, plot area, time formats, vertical range) and the window
// layout around it (the chart on the left four fifths, "Graph Options" on the top right).

#include "graphs/strip_chart/strip_chart.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>
#include <QStringList>
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
// The temperatures' traces and legends, wherever they are drawn.
inline const QColor kInternalColour{255, 0, 0};
inline const QColor kExternalColour{0, 0, 255};

struct GraphWindowParts {
    chart::StripChart* chart = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkAutoAdjust = nullptr;
};

// Fills `window` with a configured chart and the options frame with its ticked check box.
GraphWindowParts buildGraphWindow(QWidget* window, const ChartSetup& setup);

// The graphs' time label formats, by the index described in strip_chart/time_axis.h.
extern const QStringList kGraphTimeFormats;
// The face of the graphs' labels, the title's larger, bold and underlined.
QFont graphLabelFont(bool title);

// Initial outer size of a graph window, in twips.
inline constexpr int kGraphWindowWidthTwips = 14400;
inline constexpr int kGraphWindowHeightTwips = 5400;

} // namespace zr
