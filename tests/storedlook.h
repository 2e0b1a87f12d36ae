// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Checks of the structure frame as the stored window draws it, on a picture
// of the window: the widget tests give them a grab, the end-to-end suite a
// screenshot. Each returns what is wrong, or an empty string.

#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

namespace brelon::test {

inline bool isWindowGrey(QRgb pixel)
{
    return (pixel & 0xFFFFFF) == 0xC0C0C0;
}

/// An option button stands on the window's grey: apart from its round
/// indicator at the left (the first run of columns with something lighter
/// than the grey, its white inside), nothing is lighter than the grey, and
/// most of it is grey (the rest is the text, darker). Where a neighbour in
/// \a all lies over its edge, the neighbour is left out.
inline QString optionBackgroundProblem(const QImage& picture, const QRect& option, const std::vector<QRect>& all)
{
    const auto lighter = [&](int x, int y) {
        for (const QRect& other : all)
            if (other != option && other.contains(x, y))
                return false;
        const QRgb p = picture.pixel(x, y);
        return qRed(p) > 0xC0 || qGreen(p) > 0xC0 || qBlue(p) > 0xC0;
    };
    const auto columnLighter = [&](int x) {
        for (int y = option.top(); y <= option.bottom(); ++y)
            if (lighter(x, y))
                return true;
        return false;
    };
    int x = option.left();
    while (x <= option.right() && !columnLighter(x))
        ++x;
    while (x <= option.right() && columnLighter(x))
        ++x;
    const QRect rest(QPoint(x, option.top()), option.bottomRight());
    int grey = 0, light = 0;
    for (int y = rest.top(); y <= rest.bottom(); ++y) {
        for (int x = rest.left(); x <= rest.right(); ++x) {
            grey += isWindowGrey(picture.pixel(x, y)) ? 1 : 0;
            light += lighter(x, y) ? 1 : 0;
        }
    }
    if (2 * rest.width() >= option.width() && light == 0 && 2 * grey > rest.width() * rest.height())
        return {};
    return QStringLiteral("the option button at %1,%2: right of its indicator (from x %3) %4 pixels are lighter "
                          "than the grey and %5 of %6 grey")
        .arg(option.x())
        .arg(option.y())
        .arg(x)
        .arg(light)
        .arg(grey)
        .arg(rest.width() * rest.height());
}

/// The frame's border contains its option buttons: down a column near the
/// frame's right side (clear of the caption), the first line that is not
/// grey lies above every button and the last one below every button.
inline QString frameProblem(const QImage& picture, const QRect& frame, const std::vector<QRect>& options)
{
    const int x = frame.right() - 3;
    int top = -1, bottom = -1;
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        if (!isWindowGrey(picture.pixel(x, y))) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    for (const QRect& option : options) {
        if (top < 0 || top >= option.top() || bottom <= option.bottom()) {
            return QStringLiteral(
                "the frame's edges at rows %1 and %2 do not enclose the option button at rows %3 to %4")
                .arg(top)
                .arg(bottom)
                .arg(option.top())
                .arg(option.bottom());
        }
    }
    return {};
}

} // namespace brelon::test
