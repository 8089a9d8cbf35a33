// SPDX-License-Identifier: MIT
#include "graphs/temp_graph_window.h"

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

// The lowest temperature a chip reports, -512 degrees and 0.98, also has the widest text.
constexpr float kWidestTemperature = -512.98f;

QString legend(const char* prefix, float reading)
{
    return prefix + QString::fromStdString(text::fixedTwoDecimals(reading)) + QStringLiteral("°C");
}

ChartSetup temperatureChart(Chip chip)
{
    ChartSetup setup;
    setup.objectName = "stpTemp";
    setup.traces = {{kInternalColour, "Internal"}, {kExternalColour, "External"}};
    setup.labels = {
        {"Remote: ",
         kInternalColour,
         {0.90, 0.14},
         false,
         legend("Internal: ", kWidestTemperature)},
        {"External:",
         kExternalColour,
         {0.90, 0.21},
         false,
         legend("External: ", kWidestTemperature)},
        {QStringLiteral("Temperature (°C)"), QColor(0, 0, 0), {0.90, 0.07}},
        {chipName(chip), kDarkGreen, {0.44, 0.12}, true},
    };
    setup.axisMin = -300;
    setup.axisMax = 300;
    return setup;
}

} // namespace

TempGraphWindow::TempGraphWindow(Chip chip, DeviceState& state, const Clock& clock, QWidget* parent)
    : QWidget(parent), chip_(chip), state_(state),
      parts_(buildGraphWindow(this, temperatureChart(chip))), Frame1(parts_.Frame1),
      chkAutoAdjust(parts_.chkAutoAdjust), stpTemp(*parts_.chart, clock),
      legendAge_(*parts_.chart, {0, 1}, clock), alarms_(*parts_.chart)
{
    connect(alarms_.limitsAction(), &QAction::triggered, this, &TempGraphWindow::limitsRequested);
    chart().setValueUnit(QStringLiteral("°C"));
    connect(&chart(), &chart::StripChart::noteAdded, this, &TempGraphWindow::noteAdded);
    connect(&chart(), &chart::StripChart::noteRemoved, this, &TempGraphWindow::noteRemoved);
    setObjectName(QStringLiteral("frmTempGraph") + chipInfo(chip).letter);
    setWindowTitle("Temperature Graph");
}

void TempGraphWindow::Form_Load()
{
    setOuterSizeTwips(this, kGraphWindowWidthTwips, kGraphWindowHeightTwips);
}

void TempGraphWindow::addMarker(const QString& text)
{
    chart().addMarker(chart().newestTime(), text);
}

void TempGraphWindow::UpdateTempGraph(const logging::TakenReadings& readings)
{
    if (readings.temperaturesResult < 0)
        legendAge_.readingMissed();
    requireSuccessfulRead(readings.temperaturesResult, chip_, "temperatures", "nothing was plotted",
                          readings.failureReason);
    const logging::Readings& r = readings.values;
    stpTemp.AddSample(0, r.intTemp);
    stpTemp.AddSample(1, r.extTemp);
    stpTemp.setLabelIndex(0);
    stpTemp.setCaption(alarms_.legend(0, legend("Internal: ", r.intTemp)));
    stpTemp.setLabelIndex(1);
    stpTemp.setCaption(alarms_.legend(1, legend("External: ", r.extTemp)));
    legendAge_.readingShown();
    if (chkAutoAdjust->checkState() == Qt::Checked)
        AdjustGraphRange(r);
}

void TempGraphWindow::AdjustGraphRange(const logging::Readings& r)
{
    const bool internalHigher = r.intTemp > r.extTemp;
    const float high = internalHigher ? r.intTemp : r.extTemp;
    const float low = internalHigher ? r.extTemp : r.intTemp;
    moveRangeAround(stpTemp, wholeReading(low), wholeReading(high), kTemperatureRangeRule);
}

void TempGraphWindow::Form_Unload()
{
    state_.*chipInfo(chip_).tempGraphOpen = False;
}

void TempGraphWindow::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace zr
