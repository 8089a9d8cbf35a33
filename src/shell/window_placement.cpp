// SPDX-License-Identifier: MIT
#include "shell/window_placement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

namespace zr {
namespace {

// Within half a step of another window's corner is as good as on it: its title bar is hidden.
bool isTaken(QPoint p, int step, const QList<QPoint>& taken)
{
    return std::any_of(taken.begin(), taken.end(), [&](QPoint t) {
        return std::abs(t.x() - p.x()) * 2 < step && std::abs(t.y() - p.y()) * 2 < step;
    });
}

// The cascade step after `p` for a window that may stand anywhere from (0, 0) to `room`. Along
// an axis without room the cascade stays at 0.
QPoint nextStep(QPoint p, QSize room, int step)
{
    const QPoint by(room.width() > 0 ? step : 0, room.height() > 0 ? step : 0);
    const QPoint down = p + by;
    if (by != QPoint(0, 0) && down.x() <= room.width() && down.y() <= room.height())
        return down;
    const int column = std::max(0, p.x() - p.y()) + step;
    return column <= room.width() ? QPoint(column, 0) : QPoint(0, 0);
}

std::optional<QPoint> freeStep(QSize room, int step, std::optional<QPoint> last,
                               const QList<QPoint>& taken)
{
    QPoint p = last ? nextStep(*last, room, step) : QPoint(0, 0);
    // Enough steps to visit every place of the cascade once, from wherever the last one stood.
    const int places = (room.width() / step + 2) * (room.height() / step + 2) + 2;
    for (int i = 0; i < places; ++i, p = nextStep(p, room, step))
        if (!isTaken(p, step, taken))
            return p;
    return std::nullopt;
}

} // namespace

QRect initialMainWindowGeometry(QRect available, QSize preferred)
{
    const QSize most(available.width() * 9 / 10, available.height() * 9 / 10);
    QRect frame(QPoint(0, 0), preferred.boundedTo(most));
    frame.moveCenter(available.center());
    return frame;
}

QRect childWindowGeometry(QSize area, QSize wanted, QSize minimum, int step,
                          std::optional<QPoint> last, const QList<QPoint>& taken)
{
    step = std::max(step, 1);
    QSize size = wanted.expandedTo(minimum).boundedTo(area).expandedTo(minimum);
    for (;;) {
        const QSize room = (area - size).expandedTo(QSize(0, 0));
        if (const std::optional<QPoint> p = freeStep(room, step, last, taken))
            return QRect(*p, size);
        const QSize smaller = (size - QSize(step, step)).expandedTo(minimum);
        if (smaller == size)
            return QRect(last ? nextStep(*last, room, step) : QPoint(0, 0), size);
        size = smaller;
    }
}

void placeNewChild(QMdiArea& area, QMdiSubWindow& sub)
{
    QList<QPoint> taken;
    std::optional<QPoint> last;
    for (QMdiSubWindow* other : area.subWindowList(QMdiArea::CreationOrder)) {
        if (other == &sub || !other->isVisible())
            continue;
        taken.append(other->pos());
        last = other->pos();
    }
    const int step = sub.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &sub);
    const QSize minimum = sub.minimumSizeHint().expandedTo(sub.minimumSize());
    sub.setGeometry(
        childWindowGeometry(area.viewport()->size(), sub.size(), minimum, step, last, taken));
}

} // namespace zr
