// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>

namespace brelon {

/// \brief The illustration shown in `Picture1`: white light falling from below
/// on a grating, the white zero order and the blue, green and red first
/// orders on both sides, each ending in an intensity peak above a screen
/// line. 392 × 134 pixels, exactly six flat colours, drawn pixel by pixel.
QImage illustration();

} // namespace brelon
