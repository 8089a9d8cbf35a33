// SPDX-License-Identifier: MIT
#include "platform/readable_colour.h"

#include <algorithm>
#include <cmath>

namespace zr {
namespace {

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mix(const QColor& from, const QColor& to, double t)
{
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& colour, const QColor& background, double minimum)
{
    if (contrastRatio(colour, background) >= minimum)
        return colour;
    const QColor towards = luminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    // The least mix that reaches the contrast, to a hundredth.
    for (int step = 1; step <= 100; ++step) {
        const QColor candidate = mix(colour, towards, step / 100.0);
        if (contrastRatio(candidate, background) >= minimum)
            return candidate.toRgb();
    }
    return towards;
}

} // namespace zr
