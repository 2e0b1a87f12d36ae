// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/start.h"

#include "diffraction/chains.h"

#include "surface/core/errors.h"
#include "surface/core/numtext.h"
#include "surface/core/strip.h"
#include "surface/core/ui.h"

namespace brelon {

using namespace scene;

scene::Point traceColumn(Ui& ui, int X, double lastIndex, int s, double F, ChainEnds& chains)
{
    // A column that draws its spiral works its segments out anyway.
    const bool spiral = X % 200 == 0;
    const std::optional<Point> end = spiral ? std::nullopt : chains.take(X);
    const bool ownSegments = !end;
    Point p { double(X), spiralY };
    for (int m = 0; m <= lastIndex; ++m) {
        const double xm = openingX(m);
        ui.setDrawWidth(2);
        ui.line(float(xm), float(apertureY), float(xm), float(stubBottomY), white);
        ui.setDrawWidth(1);
        if (X % 100 == 0)
            ui.line(float(xm), float(apertureY), float(X), float(patternY), white);
        if (ownSegments) {
            const Point d = segment(X, m, s, F);
            if (spiral)
                ui.line(float(p.x), float(p.y), float(p.x + d.x), float(p.y + d.y));
            p = { p.x + d.x, p.y + d.y };
        }
    }
    return ownSegments ? p : *end;
}

void plotColumn(Ui& ui, int X, scene::Point chainEnd, QStringView structureText, double F)
{
    const double L = barLength(intensity(X, chainEnd), intensityScale(structureText, F));
    ui.line(float(X), float(patternY), float(X), float(checked(patternY - L)));
}

void cmdStartClick(Ui& ui)
{
    const QLocale locale = ui.locale();
    ui.setScaleMode(1);

    // The grey sweep, ten pixels wide, erases everything of an earlier run.
    ui.setDrawWidth(10);
    for (int y = 1; y <= 9000; y += 10)
        ui.line(0, float(y), 12000, float(y), grey);

    ui.setDrawWidth(1);
    strip::drawAxis(ui);
    strip::drawWave(ui);
    const double F = numtext::toDouble(ui.text(Field::Kmitocet), locale);

    const QString structure = ui.text(Field::Ndirek);
    const double lastIndex = checked(numtext::toDouble(structure, locale) - 1);
    // The opening index is a 16-bit integer.
    if (lastIndex > int16Max)
        raise(ErrorKind::Overflow, QStringLiteral("%1 průzorů").arg(structure.left(20)));
    const int s = phasorLength(structure);
    // The chains' arithmetic starts on a second thread, ahead of the scan.
    ChainEnds chains(scanLeft, scanRight, lastIndex, s, F);

    ui.setDrawWidth(3);
    ui.line(float(apertureLeft), float(apertureY), float(apertureRight), float(apertureY));

    ui.setDrawWidth(1);
    ui.line(float(scanLeft), float(patternY), float(scanRight), float(patternY));
    ui.line(float(scanLeft), float(spiralY), float(scanRight), float(spiralY));

    // Solid grey discs cut the openings into the aperture line.
    ui.setFillColor(grey);
    ui.setFillStyle(0);
    for (int m = 0; m <= lastIndex; ++m)
        ui.circle(float(openingX(m)), float(apertureY), float(openingRadius), grey);

    // The slowdown field is read at the first pause; no handler can change it during the run.
    double slowdown = 0;
    for (int X = scanLeft; X <= scanRight; ++X) {
        const Point end = traceColumn(ui, X, lastIndex, s, F, chains);
        plotColumn(ui, X, end, structure, F);
        if (X == scanLeft)
            slowdown = numtext::toDouble(ui.text(Field::Spomaleni), locale);
        ui.countDown(slowdown);
    }

    strip::refreshRelativeFrequency(ui);
}

} // namespace brelon
