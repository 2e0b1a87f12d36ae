// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/ui.h"

#include "surface/core/errors.h"

namespace brelon {

void Ui::setDrawWidth(int pixels)
{
    if (pixels < 1 || pixels > int16Max)
        raise(ErrorKind::PropertyValue, QStringLiteral("DrawWidth %1").arg(pixels));
    applyDrawWidth(pixels);
}

void Ui::setFillStyle(int style)
{
    if (style < 0 || style > 7)
        raise(ErrorKind::PropertyValue, QStringLiteral("FillStyle %1").arg(style));
    applyFillStyle(style);
}

void Ui::setFillColor(Colour colour)
{
    if (colour > 0xFFFFFF)
        raise(ErrorKind::PropertyValue, QStringLiteral("FillColor"));
    applyFillColor(colour);
}

void Ui::setScaleMode(int mode)
{
    if (mode != 1)
        raise(ErrorKind::PropertyValue, QStringLiteral("ScaleMode %1").arg(mode));
    applyScaleMode(mode);
}

void Ui::setValue(Bar bar, int value)
{
    if (value < 0 || value > max(bar))
        raise(ErrorKind::PropertyValue, QStringLiteral("Value %1").arg(value));
    applyValue(bar, value);
}

void Ui::setMax(Bar bar, int max)
{
    if (max < 0 || max > int16Max)
        raise(ErrorKind::PropertyValue, QStringLiteral("Max %1").arg(max));
    applyMax(bar, max);
}

} // namespace brelon
