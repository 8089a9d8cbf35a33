#pragma once

// frmTempGraphA / frmTempGraphB: live strip chart of one chip's two temperatures.

#include "board/board_library.h"
#include "board/device_state.h"
#include "platform/clock.h"

#include <QWidget>

namespace zr {

class TempGraphWindow : public QWidget {
    Q_OBJECT
public:
    TempGraphWindow(Chip chip, DeviceState& state, BoardLibrary& board, const Clock& clock,
                    QWidget* parent = nullptr);

    // Called by the main window's timer while the window's open flag is True; either name
    // updates the window's own chip.
    void UpdateTempGraphA();
    void UpdateTempGraphB();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Chip chip_;
    DeviceState& state_;
    BoardLibrary& board_;
    const Clock& clock_;
};

} // namespace zr
