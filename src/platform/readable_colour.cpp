// SPDX-License-Identifier: MIT
#include "platform/readable_colour.h"

#include <algorithm>
#include <cmath>

namespace zr {
namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& colour)
{
    const QColor c = colour.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDarkBackground(const QColor& background)
{
    return contrastRatio(background, Qt::white) > contrastRatio(background, Qt::black);
}

QColor readableOn(const QColor& colour, const QColor& background, double minimum)
{
    if (contrastRatio(colour, background) >= minimum)
        return colour;
    const QColor hsl = colour.toHsl();
    const int step = isDarkBackground(background) ? 1 : -1;
    for (int lightness = hsl.lightness() + step; lightness >= 0 && lightness <= 255;
         lightness += step) {
        const QColor candidate = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness);
        if (contrastRatio(candidate, background) >= minimum)
            return candidate.toRgb();
    }
    return step > 0 ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace zr
