// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon {
class Ui;

/// \brief The load handler: start-up values of the parameter fields, the
/// four-opening selection (its handler runs nested) and the frequency bars.
void formLoad(Ui& ui);
/// \brief Click of `cmdKonec`: unloads the window, which ends the program.
void cmdKonecClick(Ui& ui);

} // namespace brelon
