// SPDX-License-Identifier: MIT
#pragma once

// Bringing the board up: the firmware load (which may wait up to 10 s for the board to come back
// on the bus under its programmed id) and the scan for the chips. Both run on a worker thread
// while the caller's event loop goes on painting and timing, so that a slow or hung board never
// freezes the program; "Loading firmware…" shows when it takes more than a moment.

#include "board/address_scan.h"
#include "board/board_library.h"
#include "board/board_lost_error.h"
#include "board/device_state.h"

#include <QString>
#include <optional>

class QWidget;

namespace zr {

struct BringUp {
    bool firmwareLoaded = false;
    QString failure;                     // why the firmware did not load; may be empty
    std::optional<ScanResult> found;     // the scan's findings, when it ran to its end
    std::optional<BoardLostError> fault; // the board went or stopped answering during the scan
};

// Returns when the work is done. User input waits meanwhile (paint events and timers go on), and
// nothing else may touch `board` or `state` until it returns: the caller keeps its timer away.
// `dialogParent` may be null (at start-up, before the main window is shown).
BringUp bringUpBoard(DeviceState& state, BoardLibrary& board, const QString& programFolder,
                     QWidget* dialogParent);

// The progress dialog shows only when the work takes longer than this.
inline constexpr int kBringUpDialogDelayMs = 200;

} // namespace zr
