// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/strip.h"

#include "surface/core/errors.h"
#include "surface/core/numtext.h"
#include "surface/core/ui.h"

#include <cmath>

namespace brelon::strip {

void clearBand(Ui& ui)
{
    for (int y = 1; y <= 2500; ++y)
        ui.line(2, float(y), 6000, float(y), grey);
}

void drawAxis(Ui& ui)
{
    ui.line(500, 1700, 5500, 1700);
}

void drawWave(Ui& ui)
{
    const double f = numtext::toDouble(ui.text(Field::Kmitocet), ui.locale());
    const double k = numtext::divide(f, 5000);
    for (int i = 0; i <= 5000; ++i) {
        const int x = 500 + i;
        const double y = checked(1700 - 200 * checked(std::sin(checked(i * k))));
        ui.circle(float(x), float(y), 5);
    }
}

void refreshRelativeFrequency(Ui& ui, numtext::Pattern pattern)
{
    const QLocale locale = ui.locale();
    const double f = numtext::toDouble(ui.text(Field::Kmitocet), locale);
    ui.setText(Field::RelKmitocet, numtext::fromDouble(numtext::divide(f, 6.28), locale));
    ui.setText(Field::RelKmitocet, numtext::format(ui.text(Field::RelKmitocet), pattern, locale));
}

void redraw(Ui& ui)
{
    clearBand(ui);
    drawAxis(ui);
    drawWave(ui);
    refreshRelativeFrequency(ui);
}

} // namespace brelon::strip
