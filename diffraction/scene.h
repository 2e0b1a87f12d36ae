// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "diffraction/sincos.h"
#include "surface/core/errors.h"

#include <QStringView>

#include <cmath>
#include <optional>

// The diffraction scene's geometry and mathematics, as pure functions of
// plain values. Twips, y downwards; all arithmetic in double precision.
namespace brelon::scene {

inline constexpr double apertureY = 8000;
inline constexpr double apertureLeft = 1000;
inline constexpr double apertureRight = 11500;
inline constexpr double patternY = apertureY - 1500; ///< the intensity bars rise from here
inline constexpr double spiralY = apertureY - 4500; ///< the phasor chains start here
inline constexpr int scanLeft = int(apertureLeft) - 1000;
inline constexpr int scanRight = int(apertureRight) + 450;
inline constexpr double firstOpeningX = apertureLeft + 8000;
inline constexpr double openingSpacing = 100;
inline constexpr double openingRadius = 50;
inline constexpr double stubBottomY = 8500;
/// The phase's vertical distance is not the drawn one: it is
/// aperture y − 130 · pattern y = −837 000 twips; only its square enters.
inline constexpr double phaseDistance = apertureY - 130 * patternY;
inline constexpr double phaseDistanceSquared = phaseDistance * phaseDistance;

struct Point {
    double x;
    double y;
    friend bool operator==(const Point&, const Point&) = default;
};

/// \brief x of opening m: 9000 + 100 · m.
inline double openingX(int m)
{
    return firstOpeningX + openingSpacing * m;
}

/// \brief The phasor length s for a structure text, compared exactly:
/// "2" and "3" 200, "4" 190, "20" 60, anything else 200.
int phasorLength(QStringView structureText);

/// \brief φ_m = r_m · F with r_m = √((x_m − X)² + 837 000²), radians.
inline double phase(int X, int m, double F)
{
    const double dx = openingX(m) - X;
    const double r = std::sqrt(dx * dx + phaseDistanceSquared);
    return checked(r * F);
}

/// \brief Opening m's segment of the chain in column X: (s · cos φ_m, s · sin φ_m).
inline Point segment(int X, int m, int s, double F)
{
    const SinCos phi = sinCos(phase(X, m, F));
    return { s * phi.cos, s * phi.sin };
}

/// \brief The end of column X's chain of the openings 0 … lastIndex, laid end
/// to end from (X, 3500).
Point chainEnd(int X, double lastIndex, int s, double F);

/// \brief I = (X − px)² + (3500 − py)²: the squared length of the resultant.
double intensity(int X, Point end);

/// \brief The intensity scale k for a structure text, compared exactly, at
/// frequency F; no value for a text outside "2", "3", "4", "20" (no scaling).
std::optional<double> intensityScale(QStringView structureText, double F);

/// \brief The bar's length L = I · k, or I itself without a scale.
double barLength(double I, std::optional<double> k);

} // namespace brelon::scene
