// SPDX-License-Identifier: GPL-3.0-or-later

#include "params/frequency.h"

#include "surface/core/errors.h"
#include "surface/core/numtext.h"
#include "surface/core/strip.h"
#include "surface/core/ui.h"

namespace brelon {

void hScrollKmitocetChange(Ui& ui)
{
    const int f = numtext::add16(ui.value(Bar::Kmitocet), 20);
    ui.setText(Field::Kmitocet, numtext::fromInt(f));
    strip::redraw(ui);
}

void hScrollKmitocet20Change(Ui& ui)
{
    ui.setMax(Bar::Kmitocet20, 40);
    const int f = numtext::add16(ui.value(Bar::Kmitocet20), 5);
    ui.setText(Field::Kmitocet, numtext::fromInt(f));
    strip::redraw(ui);
}

void hScrollSpomaleniChange(Ui& ui)
{
    ui.setText(Field::Spomaleni, numtext::fromInt(ui.value(Bar::Spomaleni)));
    const double v = numtext::toDouble(ui.text(Field::Spomaleni), ui.locale());
    ui.setText(Field::Spomaleni, numtext::fromDouble(checked(3 * v + 1), ui.locale()));
}

} // namespace brelon
