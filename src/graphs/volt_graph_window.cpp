// SPDX-License-Identifier: MIT
#include "graphs/volt_graph_window.h"

#include "board/failed_read.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/graph_range.h"
#include "platform/child_window.h"
#include "text/text_rules.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>

namespace zr {
namespace {

// The highest voltage a chip reports, 64 V after rounding, also has the widest text.
constexpr float kWidestVoltage = 64.0f;

QString legend(const RailDescriptor& rail, float reading)
{
    return rail.legendPrefix + QString::fromStdString(text::fixedTwoDecimals(reading)).trimmed() +
           "V";
}

ChartSetup voltageChart(Chip chip)
{
    ChartSetup setup;
    setup.objectName = "stpVolt";
    for (int i = 0; i < kRailCount; ++i) {
        const RailDescriptor& rail = kRails[i];
        const QColor colour(rail.colour.red, rail.colour.green, rail.colour.blue);
        setup.traces.push_back({colour, rail.name});
        setup.labels.push_back(
            {rail.name, colour, {0.90, 0.14 + 0.07 * i}, false, legend(rail, kWidestVoltage)});
    }
    setup.labels.push_back({chipName(chip), kDarkGreen, {0.44, 0.12}, true});
    setup.labels.push_back({"Voltage (V)", QColor(0, 0, 0), {0.90, 0.07}});
    setup.axisMin = -1;
    setup.axisMax = 16;
    return setup;
}

// The chart's first labels are the rails' legend lines, in kRails' order.
std::vector<int> railLegends()
{
    std::vector<int> labels;
    for (int i = 0; i < kRailCount; ++i)
        labels.push_back(i);
    return labels;
}

} // namespace

VoltGraphWindow::VoltGraphWindow(Chip chip, DeviceState& state, const Clock& clock, QWidget* parent)
    : QWidget(parent), chip_(chip), state_(state),
      parts_(buildGraphWindow(this, voltageChart(chip))), Frame1(parts_.Frame1),
      chkAutoAdjust(parts_.chkAutoAdjust), stpVolt(*parts_.chart, clock),
      legendAge_(*parts_.chart, railLegends(), clock), alarms_(*parts_.chart)
{
    connect(alarms_.limitsAction(), &QAction::triggered, this, &VoltGraphWindow::limitsRequested);
    chart().setValueUnit(QStringLiteral("V"));
    connect(&chart(), &chart::StripChart::noteAdded, this, &VoltGraphWindow::noteAdded);
    connect(&chart(), &chart::StripChart::noteRemoved, this, &VoltGraphWindow::noteRemoved);
    setObjectName(QStringLiteral("frmVoltGraph") + chipInfo(chip).letter);
    setWindowTitle(QString::fromLatin1(chipName(chip)) + " Voltage Graph");
}

void VoltGraphWindow::Form_Load()
{
    setOuterSizeTwips(this, kGraphWindowWidthTwips, kGraphWindowHeightTwips);
}

void VoltGraphWindow::addMarker(const QString& text)
{
    chart().addMarker(chart().newestTime(), text);
}

void VoltGraphWindow::UpdateVoltGraph(const logging::TakenReadings& readings)
{
    if (readings.voltagesResult < 0)
        legendAge_.readingMissed();
    requireSuccessfulRead(readings.voltagesResult, chip_, "voltages", "nothing was plotted",
                          readings.failureReason);
    const logging::Readings& r = readings.values;
    for (int i = 0; i < kRailCount; ++i)
        stpVolt.AddSample(static_cast<std::int16_t>(i), r.voltages[i]);
    for (int i = 0; i < kRailCount; ++i) {
        stpVolt.setLabelIndex(static_cast<std::int16_t>(i));
        stpVolt.setCaption(alarms_.legend(i, legend(kRails[i], r.voltages[i])));
    }
    legendAge_.readingShown();
    if (chkAutoAdjust->checkState() == Qt::Checked)
        AdjustGraphRange(r);
}

void VoltGraphWindow::AdjustGraphRange(const logging::Readings& r)
{
    // The scan starts outside any plausible reading, so the first rail sets both ends.
    std::int16_t high = -20;
    std::int16_t low = 40;
    for (float reading : r.voltages) {
        if (high < reading)
            high = wholeReading(reading);
        if (low > reading)
            low = wholeReading(reading);
    }
    moveRangeAround(stpVolt, low, high, kVoltageRangeRule);
}

void VoltGraphWindow::Form_Unload()
{
    state_.*chipInfo(chip_).voltGraphOpen = False;
}

void VoltGraphWindow::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace zr
