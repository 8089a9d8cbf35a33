// SPDX-License-Identifier: MIT
#pragma once

// Where the program's windows open: the main window on its screen, the children inside the
// main window's client area, so that no title bar, close box or control starts out of reach.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QMdiArea;
class QMdiSubWindow;

namespace zr {

// The main window's first frame: `preferred`, shrunk to 90 % of the screen's available area where
// it would not fit, centred in that area.
QRect initialMainWindowGeometry(QRect available, QSize preferred);

// The frame of a new child window in a client area of `area`'s size. Its size is `wanted`, grown
// to `minimum` and shrunk to the area, never below `minimum`. It stands one `step` right and down
// from `last`, the child opened before it (the first one at the top left); where that step would
// leave the area the cascade goes on at the top, one step right of where the last run began, and
// after the area's right edge at the top left. No window is put where another (`taken`) already
// stands: while every place in the area is taken, the window shrinks towards its minimum to make
// room. Along an axis where even the minimum is larger than the area, the window stands at 0 and
// the area scrolls to the rest; only when no place is left at all does it share one.
QRect childWindowGeometry(QSize area, QSize wanted, QSize minimum, int step,
                          std::optional<QPoint> last, const QList<QPoint>& taken);

// Sizes and places `sub`, just added to `area`, by childWindowGeometry: after the most recently
// opened other child that is shown, clear of every shown child, no smaller than its layout needs.
void placeNewChild(QMdiArea& area, QMdiSubWindow& sub);

} // namespace zr
