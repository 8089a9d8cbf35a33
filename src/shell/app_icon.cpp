#include "shell/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace zr {

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = size / 16.0;
        p.setBrush(QColor(40, 40, 48));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(1 * u, 3 * u, 14 * u, 10 * u), 1.5 * u, 1.5 * u);
        p.setBrush(QColor(220, 30, 30));
        p.drawRect(QRectF(7 * u, 4 * u, 2 * u, 6 * u));
        p.drawEllipse(QPointF(8 * u, 10.5 * u), 2 * u, 2 * u);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace zr
