// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/sincos.h"

#include <cmath>

namespace brelon::scene {

SinCos sinCos(double phi)
{
    return { std::sin(phi), std::cos(phi) };
}

} // namespace brelon::scene
