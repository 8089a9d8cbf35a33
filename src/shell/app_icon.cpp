// SPDX-License-Identifier: MIT
#include "shell/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace zr {

namespace {

// The shapes on a 16 by 16 grid.
struct IconShapes {
    QColor body{40, 40, 48};
    QRectF chip{1, 3, 14, 10};
    qreal chipCorner = 1.5;
    QColor mercury{220, 30, 30};
    QRectF stem{7, 4, 2, 6};
    QPointF bulbCentre{8, 10.5};
    qreal bulbRadius = 2;
};
constexpr qreal kGrid = 16.0;

QRectF scaled(const QRectF& r, qreal u)
{
    return {r.x() * u, r.y() * u, r.width() * u, r.height() * u};
}

} // namespace

void paintAppIcon(QPainter& p, qreal size)
{
    const IconShapes s;
    const qreal u = size / kGrid;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(s.body);
    p.drawRoundedRect(scaled(s.chip, u), s.chipCorner * u, s.chipCorner * u);
    p.setBrush(s.mercury);
    p.drawRect(scaled(s.stem, u));
    p.drawEllipse(s.bulbCentre * u, s.bulbRadius * u, s.bulbRadius * u);
}

QString appIconSvg()
{
    const IconShapes s;
    const auto n = [](qreal v) { return QString::number(v, 'g', 6); };
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                          "viewBox=\"0 0 %1 %1\">\n")
               .arg(n(kGrid)) +
           QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                          "fill=\"%6\"/>\n")
               .arg(n(s.chip.x()), n(s.chip.y()), n(s.chip.width()), n(s.chip.height()),
                    n(s.chipCorner), s.body.name()) +
           QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
               .arg(n(s.stem.x()), n(s.stem.y()), n(s.stem.width()), n(s.stem.height()),
                    s.mercury.name()) +
           QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n</svg>\n")
               .arg(n(s.bulbCentre.x()), n(s.bulbCentre.y()), n(s.bulbRadius), s.mercury.name());
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paintAppIcon(p, size);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace zr
