// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon::scene {

struct SinCos {
    double sin;
    double cos;
};

/// \brief The sine and cosine of the phase \a phi, each exactly what the
/// platform's C library gives for it (std::sin, std::cos).
///
/// Each platform has its file: the C library itself (sincos_libc.cpp), or in
/// the browser, whose C library reduces the scene's phases (10⁶ to 2·10⁸
/// radians) by its slow general method, the same reduction done faster with
/// the same results (sincos_reduced.cpp).
SinCos sinCos(double phi);

} // namespace brelon::scene
