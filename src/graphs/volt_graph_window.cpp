#include "graphs/volt_graph_window.h"

#include <QCloseEvent>

namespace zr {

VoltGraphWindow::VoltGraphWindow(DeviceState& state, BoardLibrary& board, const Clock& clock,
                                 QWidget* parent)
    : QWidget(parent), state_(state), board_(board), clock_(clock)
{
    setObjectName("frmVoltGraphB");
    setWindowTitle("ZR410B Voltage Graph");
}

void VoltGraphWindow::UpdateVoltGraph() {}

void VoltGraphWindow::closeEvent(QCloseEvent* event)
{
    state_.VoltGraphBOpen = False;
    event->accept();
}

} // namespace zr
