#pragma once

// frmSettingsA / frmSettingsB: the manual console of one chip.

#include "board/board_library.h"
#include "board/device_state.h"
#include "platform/prompts.h"

#include <QWidget>

namespace zr {

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(Chip chip, DeviceState& state, BoardLibrary& board, Prompts& prompts,
                   QWidget* parent = nullptr);

private:
    Chip chip_;
    DeviceState& state_;
    BoardLibrary& board_;
    Prompts& prompts_;
};

} // namespace zr
