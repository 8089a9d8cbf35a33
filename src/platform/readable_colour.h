// SPDX-License-Identifier: MIT
#pragma once

// Fixed colours of the program's texts (link blue, headings) kept readable on any background:
// on the light backgrounds they were chosen for they stay exactly as they are; on a dark one the
// same hue is lightened until it stands out.

#include <QColor>

namespace zr {

// The contrast ratio of two colours by their relative luminance (sRGB), from 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// `colour` itself when its contrast against `background` is at least `minimum`; otherwise the
// nearest mix of `colour` with white (on a dark background) or black (on a light one) that
// reaches it.
QColor readableOn(const QColor& colour, const QColor& background, double minimum = 3.0);

} // namespace zr
