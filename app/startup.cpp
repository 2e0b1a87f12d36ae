// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/startup.h"

#include "surface/core/numtext.h"
#include "surface/core/strip.h"
#include "surface/core/ui.h"

namespace brelon {

void formLoad(Ui& ui)
{
    ui.setText(Field::Ndirek, numtext::fromInt(4));
    ui.select(Option::Op4); // runs the four-opening handler nested here
    ui.setText(Field::Spomaleni, numtext::fromInt(1));
    ui.setText(Field::Kmitocet, numtext::fromInt(20));
    // The load handler writes the relative frequency with "0.00"; every later
    // refresh uses "#.##" (for 20 both give 3.18).
    strip::refreshRelativeFrequency(ui, numtext::Pattern::ZeroDotZeroZero);
    ui.setVisible(Bar::Kmitocet, true);
    ui.setVisible(Bar::Kmitocet20, false);
}

void cmdKonecClick(Ui& ui)
{
    ui.unload();
}

} // namespace brelon
