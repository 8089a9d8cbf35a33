// SPDX-License-Identifier: MIT
#pragma once

// Where the program's windows open: the main window on its screen, the children inside the
// main window's client area, so that no title bar, close box or control starts out of reach.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace zr {

// The main window's first frame: `preferred`, shrunk to 90 % of the screen's available area where
// it would not fit, centred in that area.
QRect initialMainWindowGeometry(QRect available, QSize preferred);

// The top-left corner of a new child window of `window`'s size in a client area of `area`'s
// size: the first step of a cascade from the top left (each `step` right and down) that no other
// child already occupies and at which the window lies wholly inside the area. When the next step
// would not fit, the cascade wraps to the top left; a window larger than the area starts there.
QPoint cascadePosition(QSize area, QSize window, int step, const QList<QPoint>& taken);

} // namespace zr
