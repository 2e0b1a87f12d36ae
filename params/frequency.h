// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon {
class Ui;

/// \brief Change of `HScrollKmitočet` (2, 3 or 4 openings): frequency
/// value + 20 into `nKmitočet`, then the strip redrawn.
void hScrollKmitocetChange(Ui& ui);
/// \brief Change of `HScrollKmitocet20` (20 openings): its maximum raised to
/// 40, frequency value + 5 into `nKmitočet`, then the strip redrawn.
void hScrollKmitocet20Change(Ui& ui);
/// \brief Change of `HScrollSpomaleni`: the slowdown count 3 · value + 1
/// into `nSpomaleni`.
void hScrollSpomaleniChange(Ui& ui);

} // namespace brelon
