// SPDX-License-Identifier: MIT
#include "shell/window_placement.h"

#include <algorithm>

namespace zr {

QRect initialMainWindowGeometry(QRect available, QSize preferred)
{
    const QSize most(available.width() * 9 / 10, available.height() * 9 / 10);
    QRect frame(QPoint(0, 0), preferred.boundedTo(most));
    frame.moveCenter(available.center());
    return frame;
}

QPoint cascadePosition(QSize area, QSize window, int step, const QList<QPoint>& taken)
{
    step = std::max(step, 1);
    for (int k = 0;; ++k) {
        const QPoint p(k * step, k * step);
        if (p.x() + window.width() > area.width() || p.y() + window.height() > area.height())
            return QPoint(0, 0);
        if (!taken.contains(p))
            return p;
    }
}

} // namespace zr
