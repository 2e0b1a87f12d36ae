// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/errors.h"

#include <QRect>

#include <cmath>

namespace brelon {

/// \brief How twips map to pixels: 15 twips a pixel at the stored size, times
/// the surface's zoom (1 or more). The drawing surface and the window's
/// widgets both map through it, and nothing else does.
class TwipScale {
public:
    static constexpr int twipsPerPixel = 15;
    /// \brief The smallest zoom the surface draws at. A window smaller than
    /// the stored size does not draw smaller: it shows the stored size's
    /// pixels, each on fewer device pixels (a smaller ratio).
    static constexpr double smallestZoom = 1;
    /// \brief The smallest device pixel ratio the window is drawn at: screens
    /// have 1 or more, and a scale factor below ½ is refused at start-up.
    static constexpr double smallestRatio = 0.5;

    explicit TwipScale(double zoom = 1.0)
        : m_zoom(zoom)
    {
    }
    double zoom() const { return m_zoom; }

    /// \brief The pixel that holds a coordinate: floor(twips · zoom / 15),
    /// exact at zoom 1 for multiples of 15. Far outside any window it is
    /// clamped; a coordinate that is not finite raises the overflow error.
    int pixel(double twips) const
    {
        // floor() without a library call: this runs for every end point drawn.
        const double q = twips * m_zoom / twipsPerPixel;
        if (!(q > -pixelLimit && q < pixelLimit))
            return clamped(q);
        const int i = int(q);
        return i > q ? i - 1 : i;
    }
    /// \brief A pen of \a width pixels at the stored size: width × zoom,
    /// rounded, at least 1.
    int pen(int width) const { return std::max(1, int(std::lround(width * m_zoom))); }
    /// \brief A length in pixels, not rounded (a circle's radius, say).
    double length(double twips) const { return twips * m_zoom / twipsPerPixel; }
    /// \brief A widget's rectangle: each edge at the nearest pixel.
    QRect rect(const QRect& twips) const
    {
        const int left = edge(twips.left()), top = edge(twips.top());
        return { left, top, edge(twips.left() + twips.width()) - left, edge(twips.top() + twips.height()) - top };
    }
    /// \brief A size at the stored size, in pixels at this zoom, rounded up.
    QSize size(QSize stored) const
    {
        return { int(std::ceil(stored.width() * m_zoom)), int(std::ceil(stored.height() * m_zoom)) };
    }

private:
    static constexpr double pixelLimit = 1 << 22;
    static int clamped(double q)
    {
        // Pixels this far out lie outside any window; clamping keeps the
        // integer arithmetic safe for absurd inputs such as unscaled bars.
        if (!std::isfinite(q))
            raise(ErrorKind::Overflow);
        return q < 0 ? -int(pixelLimit) : int(pixelLimit);
    }
    int edge(int twips) const { return int(std::lround(twips * m_zoom / twipsPerPixel)); }

    double m_zoom;
};

} // namespace brelon
