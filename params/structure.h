// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon {
class Ui;

/// Click handlers of the structure option buttons. Each records the number of
/// openings in `nNdirek`, resets the frequency and its scroll bar (raising the
/// bar's Change handler only when the value moves), swaps the visible
/// frequency bar, redraws the strip and refreshes the relative frequency.
void op2Click(Ui& ui);
void op3DirkyClick(Ui& ui);
void op4DirkyClick(Ui& ui);
void op20Click(Ui& ui);

} // namespace brelon
