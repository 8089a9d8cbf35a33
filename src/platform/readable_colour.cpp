// SPDX-License-Identifier: MIT
#include "platform/readable_colour.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace zr {
namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

struct Lab {
    double l, a, b;
};

Lab toLab(const QColor& colour)
{
    const QColor c = colour.toRgb();
    const double r = linear(c.redF()), g = linear(c.greenF()), b = linear(c.blueF());
    // sRGB to XYZ, relative to the D65 white point.
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    const auto f = [](double t) {
        return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
    };
    return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

// `colour` one step of lightness further from a background, or nothing at black or white.
std::optional<QColor> furtherFrom(const QColor& colour, bool darkBackground)
{
    const QColor hsl = colour.toHsl();
    const int lightness = hsl.lightness() + (darkBackground ? 4 : -4);
    if (hsl.lightness() == (darkBackground ? 255 : 0))
        return std::nullopt;
    return QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), std::clamp(lightness, 0, 255))
        .toRgb();
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

double colourDistance(const QColor& a, const QColor& b)
{
    const Lab p = toLab(a), q = toLab(b);
    return std::hypot(p.l - q.l, p.a - q.a, p.b - q.b);
}

QList<QColor> readableAndApart(const QList<QColor>& colours, const QColor& background,
                               double minimumContrast, double minimumDistance)
{
    const bool dark = isDarkBackground(background);
    const int ground = background.toHsl().lightness();
    QList<QColor> shown;
    for (const QColor& c : colours)
        shown.append(readableOn(c, background, minimumContrast));
    const auto away = [&](int i) { return std::abs(colours[i].toHsl().lightness() - ground); };
    // Each move takes one colour a step towards black or white: the loop ends.
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < shown.size(); ++i) {
            for (int j = i + 1; j < shown.size(); ++j) {
                if (colourDistance(shown[i], shown[j]) >= minimumDistance)
                    continue;
                const int first = away(i) > away(j) ? i : j;
                const int second = first == i ? j : i;
                for (int k : {first, second}) {
                    if (const std::optional<QColor> next = furtherFrom(shown[k], dark)) {
                        shown[k] = *next;
                        moved = true;
                        break;
                    }
                }
            }
        }
    }
    return shown;
}

} // namespace zr
