#include "graphs/temp_graph_window.h"

#include <QCloseEvent>

namespace zr {

TempGraphWindow::TempGraphWindow(Chip chip, DeviceState& state, BoardLibrary& board,
                                 const Clock& clock, QWidget* parent)
    : QWidget(parent), chip_(chip), state_(state), board_(board), clock_(clock)
{
    setObjectName(chip == Chip::A ? "frmTempGraphA" : "frmTempGraphB");
    setWindowTitle("Temperature Graph");
}

void TempGraphWindow::UpdateTempGraphA() {}
void TempGraphWindow::UpdateTempGraphB() {}

void TempGraphWindow::closeEvent(QCloseEvent* event)
{
    (chip_ == Chip::A ? state_.TempGraphAOpen : state_.TempGraphBOpen) = False;
    event->accept();
}

} // namespace zr
