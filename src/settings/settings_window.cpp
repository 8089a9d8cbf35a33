#include "settings/settings_window.h"

namespace zr {

SettingsWindow::SettingsWindow(Chip chip, DeviceState& state, BoardLibrary& board,
                               Prompts& prompts, QWidget* parent)
    : QWidget(parent), chip_(chip), state_(state), board_(board), prompts_(prompts)
{
    setObjectName(chip == Chip::A ? "frmSettingsA" : "frmSettingsB");
    setWindowTitle(QString::fromLatin1(chipName(chip)) + " Settings");
}

} // namespace zr
