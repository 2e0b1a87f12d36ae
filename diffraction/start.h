// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "diffraction/scene.h"

#include <QString>

namespace brelon {
class ChainEnds;
class Ui;

/// \brief Click of `cmdStart`: draws the whole diffraction scene in one pass
/// and scans the screen column by column, pausing after each column for the
/// slowdown in `nSpomaleni`. Leaves `DrawWidth` 1, `FillStyle` 0 (solid) and
/// `FillColor` grey in force.
void cmdStartClick(Ui& ui);

/// \brief Column X's stubs, rays (X a multiple of 100) and spiral (X a
/// multiple of 200), in the order stub, ray, segment for each opening of
/// 0 … lastIndex; returns the chain's end. The end comes from \a chains; a
/// column that draws its spiral, or whose arithmetic fails, works out its
/// segments (s · cos φ_m, s · sin φ_m) as it draws.
scene::Point traceColumn(Ui& ui, int X, double lastIndex, int s, double F, ChainEnds& chains);

/// \brief Column X's intensity bar, from (X, 6500) up by I · k.
void plotColumn(Ui& ui, int X, scene::Point chainEnd, QStringView structureText, double F);

} // namespace brelon
