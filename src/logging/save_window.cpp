#include "logging/save_window.h"

#include <QCloseEvent>

namespace zr {

SaveWindow::SaveWindow(Chip chip, SaveWindowServices services, QWidget* parent)
    : QWidget(parent), chip_(chip), services_(std::move(services))
{
    setObjectName(chip == Chip::A ? "frmSaveA" : "frmSaveB");
    setWindowTitle("Save Data");
    (chip_ == Chip::A ? services_.state.LoggingA : services_.state.LoggingB) = True;
}

void SaveWindow::SaveCurrentData() {}

void SaveWindow::boardLost(const QString&) {}

void SaveWindow::closeEvent(QCloseEvent* event)
{
    (chip_ == Chip::A ? services_.state.LoggingA : services_.state.LoggingB) = False;
    event->accept();
}

} // namespace zr
