#pragma once

// frmVoltGraphB: live strip chart of chip ZR410B's five supply rails.

#include "board/board_library.h"
#include "board/device_state.h"
#include "platform/clock.h"

#include <QWidget>

namespace zr {

class VoltGraphWindow : public QWidget {
    Q_OBJECT
public:
    VoltGraphWindow(DeviceState& state, BoardLibrary& board, const Clock& clock,
                    QWidget* parent = nullptr);

    void UpdateVoltGraph();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    DeviceState& state_;
    BoardLibrary& board_;
    const Clock& clock_;
};

} // namespace zr
