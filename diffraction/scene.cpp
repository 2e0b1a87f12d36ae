// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/scene.h"

#include "surface/core/errors.h"

#include <cmath>

namespace brelon::scene {

int phasorLength(QStringView structureText)
{
    if (structureText == u"2" || structureText == u"3")
        return 200;
    if (structureText == u"4")
        return 190;
    if (structureText == u"20")
        return 60;
    return 200;
}

Point chainEnd(int X, double lastIndex, int s, double F)
{
    Point p { double(X), spiralY };
    for (int m = 0; m <= lastIndex; ++m) {
        const Point d = segment(X, m, s, F);
        p = { p.x + d.x, p.y + d.y };
    }
    return p;
}

double intensity(int X, Point end)
{
    const double dx = X - end.x;
    const double dy = spiralY - end.y;
    return checked(dx * dx + dy * dy);
}

std::optional<double> intensityScale(QStringView structureText, double F)
{
    if (structureText == u"2")
        return 0.012;
    if (structureText == u"3")
        return checked(((F - 20) * 0.002 + 1) * 0.005);
    if (structureText == u"4")
        return checked(((F - 20) * 0.006 + 1) * 0.003);
    if (structureText == u"20") {
        const double A = (F - 5) * 0.25 + 1;
        const bool band = F > 32 && F < 40;
        const double b = (F - 5) * (band ? 0.4 : 0.37) + 1;
        const double B = b * b;
        const double c = band ? 0.0359 : 0.035;
        return checked((A - B * c) * 0.0038);
    }
    return std::nullopt;
}

double barLength(double I, std::optional<double> k)
{
    return k ? checked(I * *k) : I;
}

} // namespace brelon::scene
