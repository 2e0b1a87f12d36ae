// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/numtext.h"

namespace brelon {
class Ui;
}

/// The incident-wave strip in the upper left band of the surface: a sine curve
/// whose number of periods across the band follows the frequency in
/// `nKmitočet`. Each operation draws with the pen and fill in force.
namespace brelon::strip {

/// \brief Operation 1: 2500 grey lines from x 2 to 6000, y 1 to 2500.
void clearBand(Ui& ui);
/// \brief Operation 2: the axis from (500, 1700) to (5500, 1700), fore colour.
void drawAxis(Ui& ui);
/// \brief Operation 3: 5001 marks of radius 5 at x = 500 + i,
/// y = 1700 − 200 · sin(i · k), k = f / 5000, f from `nKmitočet`.
void drawWave(Ui& ui);
/// \brief Operation 4: f / 6.28 into `nRelKmitočet`, written in full and then
/// reformatted with \a pattern ("#.##"; the load handler's own refresh uses "0.00").
void refreshRelativeFrequency(Ui& ui, numtext::Pattern pattern = numtext::Pattern::HashDotHashHash);
/// \brief Operations 1 to 4 in order: the strip redrawn for the frequency in
/// `nKmitočet` and the relative frequency refreshed.
void redraw(Ui& ui);

} // namespace brelon::strip
