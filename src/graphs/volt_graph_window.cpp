#include "graphs/volt_graph_window.h"

#include "board/failed_read.h"
#include "board/sst_stuff.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/graph_range.h"
#include "platform/child_window.h"
#include "text/text_rules.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <array>

namespace zr {
namespace {

constexpr int kRails = 5;
const std::array<const char*, kRails> kRailPrefixes{"12V: ", "5V: ", "Vcc: ", "2.5V: ", "Vccp: "};

ChartSetup voltageChart()
{
    const std::array<QColor, kRails> colours{QColor(255, 0, 0), QColor(0, 0, 255),
                                             QColor(0, 0, 128), QColor(0, 255, 0), QColor(0, 0, 0)};
    ChartSetup setup;
    setup.objectName = "stpVolt";
    for (int i = 0; i < kRails; ++i) {
        setup.traces.push_back({colours[i], kVoltageRailNames[i]});
        setup.labels.push_back({kVoltageRailNames[i], colours[i], {0.90, 0.14 + 0.07 * i}});
    }
    setup.labels.push_back({"ZR410B", kDarkGreen, {0.44, 0.12}, true});
    setup.labels.push_back({"Voltage (V)", QColor(0, 0, 0), {0.90, 0.07}});
    setup.axisMin = -1;
    setup.axisMax = 16;
    return setup;
}

} // namespace

VoltGraphWindow::VoltGraphWindow(DeviceState& state, BoardLibrary& board, const Clock& clock,
                                 QWidget* parent)
    : QWidget(parent), state_(state), board_(board), parts_(buildGraphWindow(this, voltageChart())),
      Frame1(parts_.Frame1), chkAutoAdjust(parts_.chkAutoAdjust), stpVolt(*parts_.chart, clock)
{
    setObjectName("frmVoltGraphB");
    setWindowTitle("ZR410B Voltage Graph");
}

void VoltGraphWindow::Form_Load()
{
    setOuterSizeTwips(this, kGraphWindowWidthTwips, kGraphWindowHeightTwips);
}

void VoltGraphWindow::UpdateVoltGraph()
{
    selectChip(state_, Chip::B);
    requireSuccessfulRead(SSTStuff::SSTGetVoltages(state_, board_), board_, Chip::B, "voltages",
                          "nothing was plotted");
    for (int i = 0; i < kRails; ++i)
        stpVolt.AddSample(static_cast<std::int16_t>(i), state_.Voltage[i]);
    for (int i = 0; i < kRails; ++i) {
        stpVolt.setLabelIndex(static_cast<std::int16_t>(i));
        stpVolt.setCaption(
            kRailPrefixes[i] +
            QString::fromStdString(text::fixedTwoDecimals(state_.Voltage[i])).trimmed() + "V");
    }
    if (chkAutoAdjust->checkState() == Qt::Checked)
        AdjustGraphRange();
}

void VoltGraphWindow::AdjustGraphRange()
{
    // The scan starts outside any plausible reading, so the first rail sets both ends.
    std::int16_t high = -20;
    std::int16_t low = 40;
    for (float reading : state_.Voltage) {
        if (high < reading)
            high = wholeReading(reading);
        if (low > reading)
            low = wholeReading(reading);
    }
    moveRangeAround(stpVolt, low, high, kVoltageRangeRule);
}

void VoltGraphWindow::Form_Unload()
{
    state_.VoltGraphBOpen = False;
}

void VoltGraphWindow::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace zr
