// SPDX-License-Identifier: MIT
#pragma once

// The one rule that keeps the program's fixed colours (traces, legends, headings, the link blue)
// readable on whatever background the desktop's palette gives: a colour that already stands out
// stays exactly as it is; one that does not keeps its hue and saturation and is drawn lighter on
// a dark background, darker on a light one, just enough to reach the contrast asked for.

#include <QColor>

namespace zr {

inline constexpr double kMinimumContrast = 3.0;

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double relativeLuminance(const QColor& colour);
// Contrast ratio of two colours by their relative luminance, from 1 (equal) to 21.
double contrastRatio(const QColor& a, const QColor& b);
// Darker than mid grey: light text reads better on it than dark text.
bool isDarkBackground(const QColor& background);
// `colour` when its contrast against `background` reaches `minimum`; otherwise the same hue and
// saturation at the nearest lightness that reaches it.
QColor readableOn(const QColor& colour, const QColor& background,
                  double minimum = kMinimumContrast);

} // namespace zr
