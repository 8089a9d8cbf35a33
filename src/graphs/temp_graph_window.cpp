// SPDX-License-Identifier: MIT
#include "graphs/temp_graph_window.h"

#include "board/failed_read.h"
#include "board/sst_stuff.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/graph_range.h"
#include "platform/child_window.h"
#include "text/text_rules.h"

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
    setup.traces = {{QColor(255, 0, 0), "Internal"}, {QColor(0, 0, 255), "External"}};
    setup.labels = {
        {"Remote: ",
         QColor(255, 0, 0),
         {0.90, 0.14},
         false,
         legend("Internal: ", kWidestTemperature)},
        {"External:",
         QColor(0, 0, 255),
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

TempGraphWindow::TempGraphWindow(Chip chip, DeviceState& state, BoardLibrary& board,
                                 const Clock& clock, QWidget* parent)
    : QWidget(parent), chip_(chip), state_(state), board_(board),
      parts_(buildGraphWindow(this, temperatureChart(chip))), Frame1(parts_.Frame1),
      chkAutoAdjust(parts_.chkAutoAdjust), stpTemp(*parts_.chart, clock)
{
    setObjectName(QStringLiteral("frmTempGraph") + chipInfo(chip).letter);
    setWindowTitle("Temperature Graph");
}

void TempGraphWindow::Form_Load()
{
    setOuterSizeTwips(this, kGraphWindowWidthTwips, kGraphWindowHeightTwips);
}

void TempGraphWindow::UpdateTempGraph()
{
    selectChip(state_, chip_);
    requireSuccessfulRead(SSTStuff::SSTGetTemperatures(state_, board_), board_, chip_,
                          "temperatures", "nothing was plotted");
    stpTemp.AddSample(0, state_.IntTemp);
    stpTemp.AddSample(1, state_.ExtTemp);
    stpTemp.setLabelIndex(0);
    stpTemp.setCaption(legend("Internal: ", state_.IntTemp));
    stpTemp.setLabelIndex(1);
    stpTemp.setCaption(legend("External: ", state_.ExtTemp));
    if (chkAutoAdjust->checkState() == Qt::Checked)
        AdjustGraphRange();
}

void TempGraphWindow::AdjustGraphRange()
{
    const bool internalHigher = state_.IntTemp > state_.ExtTemp;
    const float high = internalHigher ? state_.IntTemp : state_.ExtTemp;
    const float low = internalHigher ? state_.ExtTemp : state_.IntTemp;
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
