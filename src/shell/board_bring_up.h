// SPDX-License-Identifier: MIT
#pragma once

// Bringing the board up: the firmware load (which may wait up to 10 s for the board to come back
// on the bus under its programmed id) and the scan for the chips. Both run on the board worker
// while the caller's event loop goes on painting and timing, so that a slow or hung board never
// freezes the program; "Loading firmware…" shows when it takes more than a moment.

#include "worker/board_worker.h"

#include <QString>

class QWidget;

namespace zr {

// Returns when the work is done. User input waits meanwhile (paint events and timers go on).
// `dialogParent` may be null (at start-up, before the main window is shown).
BringUp bringUpBoard(BoardWorker& worker, const QString& programFolder, QWidget* dialogParent);

// The progress dialog shows only when the work takes longer than this.
inline constexpr int kBringUpDialogDelayMs = 200;

} // namespace zr
