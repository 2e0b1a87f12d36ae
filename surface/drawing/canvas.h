// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/displaylist.h"
#include "surface/drawing/raster.h"
#include "surface/drawing/repeats.h"
#include "surface/drawing/request.h"
#include "surface/drawing/twips.h"

#include <QFont>
#include <QImage>
#include <QRect>

#include <functional>

namespace brelon {

/// \brief The drawing surface that the window and the handlers draw on: a
/// raster at the window's zoom and ratio, drawn lean.
///
/// The canvas leaves out drawing that cannot change a pixel, and nothing
/// else: a request that its repeat filter recalls, and the separate fills
/// of a run of same-coloured rectangles whose union is a rectangle, which
/// it fills once. The picture is pixel-identical to the raster drawing every
/// primitive as it comes, at any scale.
///
/// It keeps what it has drawn in a display list, so the picture can be
/// drawn again at a new zoom or ratio (setScale), pixel-identical to drawing
/// the same operations at that scale from the start.
class Canvas {
public:
    /// \a size is the surface in pixels at the stored size, zoom 1.
    explicit Canvas(QSize size, qreal devicePixelRatio = 1.0, qreal zoom = 1.0);

    void line(float x1, float y1, float x2, float y2, Colour colour)
    {
        if (!m_enabled)
            return;
        const Request request = m_raster.pen().line(x1, y1, x2, y2, colour);
        if (!m_repeats.recall(request))
            draw(request);
    }
    void circle(float x, float y, float radius, Colour outline);

    void setDrawWidth(int pixels) { m_raster.setDrawWidth(pixels); }
    void setFillStyle(int style) { m_raster.setFillStyle(style); }
    void setFillColor(Colour colour) { m_raster.setFillColor(colour); }

    /// \brief Drawing is dropped while disabled (the window is hidden).
    void setEnabled(bool enabled) { m_enabled = enabled; }

    /// \brief Paints a text with an opaque background into the image, as a
    /// label that lives on the surface (drawing covers it). \a twips is its
    /// rectangle, \a font its font at the stored size. \a covered is called
    /// once, when drawing first reaches the label.
    void paintLabel(const QRect& twips, const QString& text, const QFont& font, Colour background,
        std::function<void()> covered = {});

    /// \brief Draws what is held back for merging. Call before the image is shown.
    void flush();
    /// \brief The region changed since the last call, in pixels of the surface.
    QRect takeDirty();

    const TwipScale& scale() const { return m_raster.scale(); }
    qreal devicePixelRatio() const { return m_raster.devicePixelRatio(); }
    /// \brief The surface's size in pixels at its zoom.
    QSize size() const { return m_raster.size(); }
    /// \brief Draws the picture anew at \a zoom and \a devicePixelRatio.
    void setScale(qreal zoom, qreal devicePixelRatio);
    /// \brief The image as it is now (flushed; the pixels are shared until
    /// the next drawing, so copy it to keep it).
    const QImage& image();
    /// \brief A deep copy of the flushed picture.
    QImage snapshot();

    /// \brief Number of painter calls made so far (for tests and benchmarks).
    long long paintCalls() const { return m_raster.paintCalls(); }
    /// \brief What is kept to draw the picture again.
    const DisplayList& displayList() const { return m_list; }

private:
    void draw(const Request& request);
    void apply(const Request& request, const Reach& reach);
    void merge(const QRect& deviceRect, const Request& request);
    void drawPending();

    Raster m_raster;
    DisplayList m_list;
    // The label painted last, until drawing reaches it.
    Reach m_label;
    std::function<void()> m_labelCovered;
    RepeatFilter m_repeats;
    bool m_enabled = true;
    bool m_replaying = false;

    // The union of the run of rectangles merged so far, not yet filled.
    bool m_hasPending = false;
    QRect m_pending;
    QRgb m_pendingColour = 0;
};

} // namespace brelon
