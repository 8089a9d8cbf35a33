// SPDX-License-Identifier: MIT
#pragma once

// Colours that stay readable on the window's own background. The chart's legend, title and
// traces have fixed colours chosen for a white background; on a dark one the dark ones (black,
// navy, dark green) would all but vanish. There the same hue is drawn lighter, just enough for a
// contrast of 3:1; on a light background every colour stays exactly as given.

#include <QColor>

namespace zr::chart {

inline constexpr double kMinimumContrast = 3.0;

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double relativeLuminance(const QColor& colour);
// Contrast ratio of two colours, from 1 (equal) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
bool isDarkBackground(const QColor& background);
// `colour` itself, unless the background is dark and the contrast below kMinimumContrast.
QColor readableOn(const QColor& colour, const QColor& background);

} // namespace zr::chart
