// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/request.h"

#include "surface/core/errors.h"

#include <algorithm>
#include <initializer_list>

namespace brelon {

namespace {

// How far a request may paint beyond its coordinates, in twips, at any zoom
// of TwipScale::smallestZoom or more and any ratio of smallestRatio or more.
constexpr double pixel = TwipScale::twipsPerPixel;
// An end snapped to the pixel that holds it moves by less than a pixel.
constexpr double snapping = pixel / TwipScale::smallestZoom;
// A device pixel (the painter's rounding, a filled rectangle's edge) is 1/ratio pixels.
constexpr double devicePixel = pixel / (TwipScale::smallestZoom * TwipScale::smallestRatio);
// The thinnest pen the painter strokes is a device pixel, half of it beyond the line.
constexpr double thinnestPen = devicePixel / 2;
// Each pixel of the pen's width reaches half a pixel beyond the line; rounding the width adds a quarter at most.
constexpr double perPenPixel = pixel;
// A label fills its rectangle with each edge at the nearest pixel, half a pixel away at most; its text lies within.
constexpr double labelRounding = pixel / 2 / TwipScale::smallestZoom;
// The window shows the surface and at most the pixel that holds its edge.
constexpr double shownEdge = pixel / TwipScale::smallestZoom;

void requireFinite(std::initializer_list<float> values)
{
    for (const float value : values)
        if (!std::isfinite(value))
            raise(ErrorKind::Overflow);
}

} // namespace

Reach reachOf(const Request& request, QSize storedSize)
{
    double margin = perPenPixel * request.width + (snapping + devicePixel + thinnestPen);
    double left = std::min(request.x1, request.x2), right = std::max(request.x1, request.x2);
    double top = std::min(request.y1, request.y2), bottom = std::max(request.y1, request.y2);
    switch (request.kind) {
    case Request::Line:
        requireFinite({ request.x1, request.y1, request.x2, request.y2 });
        break;
    case Request::Circle:
        requireFinite({ request.x1, request.y1, request.x2 });
        margin += std::fabs(request.x2);
        left = right = request.x1;
        top = bottom = request.y1;
        break;
    case Request::Label:
        margin = labelRounding + devicePixel;
        break;
    }
    const double width = storedSize.width() * pixel, height = storedSize.height() * pixel;
    return { float(std::max(left - margin, -shownEdge)), float(std::max(top - margin, -shownEdge)),
        float(std::min(right + margin, width + shownEdge)), float(std::min(bottom + margin, height + shownEdge)) };
}

} // namespace brelon
