// SPDX-License-Identifier: MIT
#pragma once

// The one rule that keeps the program's fixed colours (traces, legends, headings, the link blue)
// readable on whatever background the desktop's palette gives: a colour that already stands out
// stays exactly as it is; one that does not keeps its hue and saturation and is drawn lighter on
// a dark background, darker on a light one, just enough to reach the contrast asked for. Colours
// that must be told apart (the traces of one chart) are then moved further from the background,
// one of each pair that came out too alike, until they are apart again.

#include <QColor>
#include <QList>

namespace zr {

inline constexpr double kMinimumContrast = 3.0;
// About ten times the least difference an eye tells apart side by side: enough for two thin lines
// of a chart to be told apart where they cross.
inline constexpr double kMinimumColourDistance = 20.0;

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

// How different two colours look: the distance of their CIELAB coordinates (CIE 1976), 0 for
// equal colours, 100 from black to white.
double colourDistance(const QColor& a, const QColor& b);

// Each of `colours` readable on `background` as readableOn makes it, and every two of them at
// least `minimumDistance` apart: of two that are not, the one given further from the background's
// lightness moves on away from it (the later one where both were as far), so a colour given darker
// than another stays the darker on a light background, and the lighter one stays the lighter on a
// dark one. Where even black or white does not part two colours, they stay as close as they came.
QList<QColor> readableAndApart(const QList<QColor>& colours, const QColor& background,
                               double minimumContrast = kMinimumContrast,
                               double minimumDistance = kMinimumColourDistance);

} // namespace zr
