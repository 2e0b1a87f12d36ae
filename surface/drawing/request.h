// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/ui.h"
#include "surface/drawing/twips.h"

#include <QSize>

#include <bit>
#include <cmath>
#include <cstdint>

namespace brelon {

/// \brief The fill of a circle that leaves its inside as it is.
inline constexpr Colour noFill = 0xFF000000;

/// \brief What a primitive was asked for, with the pen and fill in force:
/// the same request gives the same pixels at the same scale.
///
/// A circle holds its centre and radius in x1, y1, x2; a label its rectangle
/// in twips, and its text's index in fill.
struct Request {
    enum Kind : int { Line, Circle, Label } kind = Line;
    int width = 1;
    Colour fill = noFill;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Colour colour = 0;

    // Bitwise, field by field: -0 and 0 count as different, which only
    // costs a redraw, and a request just built in registers is not written
    // out and read back as wider words. The coordinates that tell requests
    // apart most often come first.
    bool operator==(const Request& other) const
    {
        return bits(y1) == bits(other.y1) && bits(x1) == bits(other.x1) && bits(y2) == bits(other.y2)
            && bits(x2) == bits(other.x2) && colour == other.colour && kind == other.kind && width == other.width
            && fill == other.fill;
    }
    static std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }
};

/// \brief Twips that a request may paint at any scale the window allows:
/// every device pixel it paints lies wholly within, up to the surface's edge.
struct Reach {
    float left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left || bottom < top; }
    bool meets(const Reach& other) const
    {
        return left <= other.right && other.left <= right && top <= other.bottom && other.top <= bottom;
    }
    bool within(const Reach& other) const
    {
        return left >= other.left && right <= other.right && top >= other.top && bottom <= other.bottom;
    }
};

/// \brief The reach of \a request on a surface of \a storedSize pixels at
/// zoom 1; empty when it lies wholly outside. Raises the overflow error for
/// a coordinate that is not finite.
Reach reachOf(const Request& request, QSize storedSize);

/// \brief The pen and fill in force, which every request carries.
class Pen {
public:
    // The values come checked from the handlers' Ui.
    void setDrawWidth(int pixels) { m_width = pixels; }
    void setFillStyle(int style) { m_fillStyle = style; }
    void setFillColor(Colour colour) { m_fillColor = colour; }

    Request line(float x1, float y1, float x2, float y2, Colour colour) const
    {
        return { Request::Line, m_width, noFill, x1, y1, x2, y2, colour };
    }
    Request circle(float x, float y, float radius, Colour outline) const
    {
        // A circle smaller than a pixel is the pen's square mark: the fill does not reach it.
        const bool mark = std::fabs(radius) < TwipScale::twipsPerPixel;
        const Colour fill = mark || m_fillStyle != 0 ? noFill : m_fillColor;
        return { Request::Circle, m_width, fill, x, y, radius, 0, outline };
    }

private:
    int m_width = 1;
    int m_fillStyle = 1;
    Colour m_fillColor = 0;
};

} // namespace brelon
