// SPDX-License-Identifier: MIT
#include "graphs/graph_chart_setup.h"

#include "board/tick_steps.h"
#include "widgets/wrapping_check_box.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

namespace zr {

const QStringList kGraphTimeFormats{"%I:%M:%S %p", "%I:%M %p", "%I:%M %p", "%m/%d/%y",
                                    "%b, %y",      "%Y",       "%m/%d/%y"};

QFont graphLabelFont(bool title)
{
    QFont font;
    // The chart's own face first, then faces of about its width where it is missing.
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Nimbus Sans", "Liberation Sans",
                      "Arial", "DejaVu Sans"});
    font.setPointSizeF(title ? 13.5 : 8.25);
    font.setBold(title);
    font.setUnderline(title);
    return font;
}

GraphWindowParts buildGraphWindow(QWidget* window, const ChartSetup& setup)
{
    GraphWindowParts parts;
    auto* chart = new chart::StripChart(window);
    chart->setObjectName(setup.objectName);
    for (const TraceSetup& t : setup.traces)
        chart->addTrace(t.colour, t.name);
    for (const LabelSetup& l : setup.labels)
        chart->addLabel({l.text, l.colour, graphLabelFont(l.isTitle), l.position, l.widestText});
    chart->setPlotArea(0.05, 0.05, 0.83, 0.93);
    // A reading per tick: the line breaks where ticks brought none (board lost, failed reads).
    chart->setSampleInterval(kTickIntervalMs);
    chart->setTimeFormats(kGraphTimeFormats);
    chart->setAxisMin(setup.axisMin);
    chart->setAxisMax(setup.axisMax);
    parts.chart = chart;

    parts.Frame1 = new QGroupBox("Graph Options", window);
    parts.Frame1->setObjectName("Frame1");
    // The caption wraps rather than widen the options column past its fifth of the window.
    parts.chkAutoAdjust = new WrappingCheckBox("Automatically Adjust Graph Range", parts.Frame1);
    parts.chkAutoAdjust->setObjectName("chkAutoAdjust");
    parts.chkAutoAdjust->setChecked(true);
    auto* frameLayout = new QVBoxLayout(parts.Frame1);
    frameLayout->addWidget(parts.chkAutoAdjust);

    // The chart takes exactly the left four fifths: no margin or spacing beside it (it draws its
    // own margins around the plot); the options column keeps the usual ones inside its fifth.
    auto* options = new QVBoxLayout;
    const int margin = window->style()->pixelMetric(QStyle::PM_LayoutRightMargin);
    options->setContentsMargins(margin, 0, margin, 0);
    options->addWidget(parts.Frame1);
    options->addStretch(1);
    auto* layout = new QHBoxLayout(window);
    const QMargins around = layout->contentsMargins();
    layout->setContentsMargins(0, around.top(), 0, around.bottom());
    layout->setSpacing(0);
    layout->addWidget(chart, 4);
    layout->addLayout(options, 1);
    return parts;
}

} // namespace zr
