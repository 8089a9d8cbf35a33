// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/readable_colour.h"

#include <algorithm>
#include <cmath>

namespace zr::chart {
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
    // Darker than mid grey: light text reads better on it than dark text.
    return contrastRatio(background, Qt::white) > contrastRatio(background, Qt::black);
}

QColor readableOn(const QColor& colour, const QColor& background)
{
    if (!isDarkBackground(background) || contrastRatio(colour, background) >= kMinimumContrast)
        return colour;
    // Raise the lightness of the same hue and saturation until the contrast holds.
    const QColor hsl = colour.toHsl();
    for (int lightness = hsl.lightness() + 1; lightness <= 255; ++lightness) {
        const QColor lighter = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness);
        if (contrastRatio(lighter, background) >= kMinimumContrast)
            return lighter.toRgb();
    }
    return QColor(Qt::white);
}

} // namespace zr::chart
