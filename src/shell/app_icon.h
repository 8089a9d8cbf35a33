// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

class QPainter;

namespace zr {

// The program's icon: a thermometer on a chip. The window icon is drawn at run time, and the
// installed PNG and SVG files are made from the same shapes at build time, so they cannot drift.
QIcon appIcon();

// Draws the icon into the square (0, 0, size, size).
void paintAppIcon(QPainter& painter, qreal size);

// The same icon as an SVG document, for the desktop's scalable icon theme folder.
QString appIconSvg();

} // namespace zr
