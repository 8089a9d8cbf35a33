// SPDX-License-Identifier: MIT
#pragma once

// The About window's version line and its place in the main window's client area.

#include <QPoint>
#include <QSize>
#include <QString>

namespace zr {

// "ZR410A/B Evaluation Software Version 1.0.2": each number in decimal, no blank before any.
QString versionLine(int major, int minor, int revision);

// Top-left corner of the About window's frame in the main window's client area, worked out from
// the outer sizes of both windows: centred horizontally, 1500 twips above the vertical centre.
// Negative results are kept: a small main window puts the About window partly outside its client
// area.
QPoint aboutWindowPosition(QSize mainOuter, QSize aboutOuter, double logicalDpiY);

} // namespace zr
