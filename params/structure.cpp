// SPDX-License-Identifier: GPL-3.0-or-later

#include "params/structure.h"

#include "surface/core/numtext.h"
#include "surface/core/strip.h"
#include "surface/core/ui.h"

namespace brelon {

namespace {

// 2, 3 and 4 openings share HScrollKmitočet (frequency value + 20, reset to
// 0); 20 openings have HScrollKmitocet20 (value + 5, reset to 10).
void selectStructure(Ui& ui, int openings)
{
    const bool twenty = openings == 20;
    ui.setText(Field::Ndirek, numtext::fromInt(openings));
    ui.setText(Field::Kmitocet, numtext::fromInt(twenty ? 15 : 20));
    if (twenty) {
        ui.setVisible(Bar::Kmitocet, false);
        ui.setVisible(Bar::Kmitocet20, true);
        ui.setValue(Bar::Kmitocet20, 10);
    } else {
        ui.setVisible(Bar::Kmitocet, true);
        ui.setValue(Bar::Kmitocet, 0);
        ui.setVisible(Bar::Kmitocet20, false);
    }
    strip::redraw(ui);
}

} // namespace

void op2Click(Ui& ui)
{
    selectStructure(ui, 2);
}

void op3DirkyClick(Ui& ui)
{
    selectStructure(ui, 3);
}

void op4DirkyClick(Ui& ui)
{
    selectStructure(ui, 4);
}

void op20Click(Ui& ui)
{
    selectStructure(ui, 20);
}

} // namespace brelon
