// SPDX-License-Identifier: GPL-3.0-or-later

// The sine and cosine of the scene's phases in the browser.
//
// The browser's C library (musl) works out sin φ and cos φ in two steps: it
// reduces φ to y = φ − n · π/2 with |y| ≤ π/4, held as a double y0 and the
// rest y1, then evaluates a polynomial in (y0, y1) chosen by n mod 4. Beyond
// 2^20 · π/2 (1.65 · 10⁶ radians) it reduces by its general method, φ times
// 2/π in 24-bit pieces to some 120 bits, which takes most of the time of a
// sine; every phase of the scene lies beyond (837 000 · F with F from 5 to
// 200: 4 185 000 to 167 410 333 radians). Here such a phase is reduced with a
// few exact products, once for both the sine and the cosine, y0 is rounded as
// the library rounds it, and the library's own polynomials give both results,
// bit for bit what std::sin and std::cos give.
//
// The reduction, for 2^20 · π/2 ≤ φ < 1.5 · 2^27. n is the integer nearest to
// φ · 2/π, below 2^27. π/2 is split into pieces P1 … P6 of 26 bits each, bit
// weights 2^0 … 2^-25, 2^-26 … 2^-51 and so on down to 2^-155, so that every
// n · Pk is exact (27 + 26 bits). φ − n · P1 is exact (two doubles within a
// factor of two), and so is the difference less n · P2 (a multiple of 2^-51
// below 1); the smaller terms are added by exact two-sums, leaving an error
// below 2^-106 of y plus 2^-128 from the last rounding and the pieces left
// out. The scene's phases come no nearer a multiple of π/2 than |y| = 2^-22,
// so y is known to 2^-105 of itself or better.
//
// The library's y0 is not always the double nearest y: see
// roundAsTheLibrary(), which follows its two roundings and leaves the few
// phases whose rounding lies too near a half to tell to the library (34 of
// the 29 267 999 phases of all scenes). The tests compare the results with
// std::sin and std::cos for every phase of a choice of scenes in the
// browser's build; BRELON_EVERY_SETTING=1 takes every scene a user can set.
//
// The two polynomials are the C library's kernels, copied expression for
// expression (the browser has no fused multiply-add, so each rounds as there):
//
// Copyright (C) 1993 by Sun Microsystems, Inc. All rights reserved.
//
// Developed at SunPro, a Sun Microsystems, Inc. business.
// Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice
// is preserved.

#include "diffraction/sincos.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace brelon::scene {

namespace {

constexpr double libraryReducesQuickly = 0x1.921fbp+20; // below, the library's own reduction is quick
constexpr double reducedHereBelow = 0x1.8p+27; // keeps n below 2^27
constexpr double twoOverPi = 0x1.45f306dc9c883p-1;
constexpr double piOver4 = 0x1.921fb54442d18p-1;
constexpr double P1 = 0x1.921fb5p+0;
constexpr double P2 = 0x1.110b46p-26;
constexpr double P3 = 0x1.1a6262p-54;
constexpr double P4 = 0x1.3145cp-78;
constexpr double P5 = 0x1.b839a2p-104;
constexpr double P6 = 0x1.481270p-130;

struct Sum {
    double value;
    double error;
};

/// a + b exactly, as the rounded sum and what its rounding left out.
Sum twoSum(double a, double b)
{
    const double value = a + b;
    const double bPart = value - a;
    return { value, (a - (value - bPart)) + (b - bPart) };
}

struct Reduced {
    double y0;
    double y1;
    unsigned quadrant;
};

/// y = φ − n · π/2 to 2^-106 of itself and 2^-128: y0 the nearest double.
Reduced reduce(double phi, double n)
{
    const double exact = (phi - n * P1) - n * P2;
    const Sum third = twoSum(exact, -n * P3);
    const Sum fourth = twoSum(third.error, -n * P4);
    const double tail = (fourth.error - n * P5) - n * P6;
    const Sum head = twoSum(third.value, fourth.value);
    const double low = head.error + tail;
    const double y0 = head.value + low;
    return { y0, (head.value - y0) + low, unsigned(n) & 3 };
}

int exponentOf(double positive)
{
    return int((std::bit_cast<std::uint64_t>(positive) >> 52) & 0x7ff) - 1023;
}

double twoToThe(int exponent)
{
    return std::bit_cast<double>(std::uint64_t(1023 + exponent) << 52);
}

/// The lowest bit weight of the library's piece holding bit weight 2^\a exponent,
/// on the grid 2^(\a grid + 24k).
int pieceBottom(int grid, int exponent)
{
    const int above = exponent - grid;
    return grid + 24 * (above >= 0 ? above / 24 : -((23 - above) / 24));
}

/// \brief y as the library rounds it: y0 and y1 in \a y, or false where the
/// rounding is too close to tell (then the library itself is asked).
///
/// The library holds |y| / (π/2) as 24-bit pieces on a grid set by φ's
/// exponent e (bit weights 2^(e − 23 + 24k)), multiplies them by π/2 in
/// 24-bit pieces, and adds the products from the smallest: the first, the
/// leading piece times π/2's first, comes last. y0 is thus |y| with its
/// part below the first product rounded on its own and then the sum
/// rounded again. That moves the sum by at most 2^(b − 52), b the leading
/// piece's lowest bit weight: y0 is the nearest double wherever y lies
/// farther than that from a half, nearly always; not so where the leading
/// piece holds few bits (e = 21: one or two), where both roundings are
/// followed here.
bool roundAsTheLibrary(double phi, Reduced& y)
{
    const double sign = y.y0 < 0 ? -1.0 : 1.0;
    const double high = sign * y.y0;
    const double low = sign * y.y1;
    if (high < 0x1p-24) // not so near a multiple of π/2 in any scene: the bounds below would not hold
        return false;
    const int grid = exponentOf(phi) - 23;
    const int exponent = exponentOf(high);
    const bool powerOfTwo = (std::bit_cast<std::uint64_t>(high) & 0xfffffffffffff) == 0;
    if (!powerOfTwo && twoToThe(exponent - 53) - std::abs(low) > twoToThe(pieceBottom(grid, exponent) - 50))
        return true;
    // The leading piece: the part of |y| / (π/2) above bit weight 2^bottom.
    constexpr double libraryPiOver2First = 0x1.921fb4p+0;
    const double fraction = high * twoOverPi;
    const int bottom = pieceBottom(grid, exponentOf(fraction));
    const double scaled = fraction * twoToThe(-bottom);
    const double whole = std::floor(scaled);
    constexpr double pieceMargin = 0x1p-20; // the fraction is known to 2^-28 here
    if (scaled - whole < pieceMargin || whole + 1 - scaled < pieceMargin)
        return false;
    const double firstProduct = libraryPiOver2First * (whole * twoToThe(bottom));
    // The rest, |y| − that product, rounded alone; the products below the
    // rest's first differ from it by up to 2^(bottom − 72).
    const Sum rest = twoSum(high, -firstProduct);
    const double restLow = rest.error + low;
    const double restRounded = rest.value + restLow;
    const double roundedOff = (rest.value - restRounded) + restLow;
    const double halfUlp = twoToThe(exponentOf(restRounded) - 53);
    if (restRounded == 2 * halfUlp * 0x1p52 || std::abs(std::abs(roundedOff) - halfUlp) < twoToThe(bottom - 72))
        return false;
    const double y0 = firstProduct + restRounded;
    y = { sign * y0, sign * ((high - y0) + low), y.quadrant };
    return true;
}

double kernelSin(double x, double y)
{
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

double kernelCos(double x, double y)
{
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    const double v = 1.0 - hz;
    return v + (((1.0 - v) - hz) + (z * r - x * y));
}

} // namespace

SinCos sinCos(double phi)
{
    if (!(phi >= libraryReducesQuickly && phi < reducedHereBelow))
        return { std::sin(phi), std::cos(phi) };
    Reduced y = reduce(phi, std::nearbyint(phi * twoOverPi));
    // Beyond ±π/4 where φ · 2/π lies within 2^-25 of a half and rounded to
    // the other side (none of the scenes' phases); and the few whose
    // rounding is too close to tell: the library's own.
    if (std::abs(y.y0) > piOver4 || !roundAsTheLibrary(phi, y))
        return { std::sin(phi), std::cos(phi) };
    const double sin = kernelSin(y.y0, y.y1);
    const double cos = kernelCos(y.y0, y.y1);
    switch (y.quadrant) {
    case 0:
        return { sin, cos };
    case 1:
        return { cos, -sin };
    case 2:
        return { -sin, -cos };
    default:
        return { -cos, sin };
    }
}

} // namespace brelon::scene
