#pragma once

// frmSaveA / frmSaveB: choose the readings, choose the file, log one record per timer tick.

#include "board/board_library.h"
#include "board/device_state.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"

#include <QWidget>
#include <functional>

namespace zr {

struct SaveWindowServices {
    DeviceState& state;
    BoardLibrary& board;
    Prompts& prompts;
    FileChooser& files;
    const Clock& clock;
    QString programFolder;
    std::function<void(const QString&)> showStatus; // a short line in the main window's status bar
};

class SaveWindow : public QWidget {
    Q_OBJECT
public:
    SaveWindow(Chip chip, SaveWindowServices services, QWidget* parent = nullptr);

    // Called by the main window's timer on every tick while LoggingA / LoggingB is True.
    void SaveCurrentData();

    // The board is gone: stop a running log, keeping what was written, and tell the user.
    void boardLost(const QString& reason);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Chip chip_;
    SaveWindowServices services_;
};

} // namespace zr
