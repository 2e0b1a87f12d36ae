// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/request.h"
#include "surface/drawing/twips.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <optional>
#include <vector>

namespace brelon {

/// \brief The backing image of the drawing surface, and the drawing of one
/// request into it at a zoom and device pixel ratio.
///
/// Coordinates arrive in twips and are snapped to pixels by the TwipScale of
/// the zoom; the pixels are then scaled by the device pixel ratio, so lines
/// stay sharp: `DrawWidth` × zoom (rounded) × ratio device pixels wide.
/// Drawing is aliased and opaque: a line that is vertical or horizontal in
/// pixels is a filled rectangle, a circle smaller than a pixel at the stored
/// size is a square mark of the pen's width at its pixel.
///
/// Used alone (line, circle, paintLabel), it draws every primitive as it
/// comes: the literal picture that the canvas's lean drawing must equal.
class Raster {
public:
    /// \a size is the surface in pixels at the stored size, zoom 1.
    explicit Raster(QSize size, qreal devicePixelRatio = 1.0, qreal zoom = 1.0);
    Raster(const Raster&) = delete;
    Raster& operator=(const Raster&) = delete;
    ~Raster();

    /// \brief The pen and fill that requests are made with.
    Pen& pen() { return m_pen; }
    void setDrawWidth(int pixels) { m_pen.setDrawWidth(pixels); }
    void setFillStyle(int style) { m_pen.setFillStyle(style); }
    void setFillColor(Colour colour) { m_pen.setFillColor(colour); }

    void line(float x1, float y1, float x2, float y2, Colour colour) { draw(m_pen.line(x1, y1, x2, y2, colour)); }
    void circle(float x, float y, float radius, Colour outline) { draw(m_pen.circle(x, y, radius, outline)); }
    /// \brief Paints a text with an opaque background, as a label that lives
    /// on the surface (drawing covers it). \a twips is its rectangle, \a
    /// font its font at the stored size.
    void paintLabel(const QRect& twips, const QString& text, const QFont& font, Colour background)
    {
        draw(label(twips, text, font, background));
    }
    /// \brief The request of a label; the raster keeps its text and font.
    Request label(const QRect& twips, const QString& text, const QFont& font, Colour background);

    /// \brief Draws \a request as it comes, unless it lies wholly outside.
    void draw(const Request& request);
    /// \brief The device pixels that \a request fills when it is one
    /// rectangle at this scale (a line straight in pixels, a mark), clipped
    /// to the image; nothing when it is stroked.
    std::optional<QRect> block(const Request& request) const;
    void fill(const QRect& deviceRect, QRgb colour);
    /// \brief Draws a request that is not a block: a slanted line, a circle, a label.
    void stroke(const Request& request);

    /// \brief Starts a new picture, all grey, at \a zoom and \a devicePixelRatio.
    void setScale(qreal zoom, qreal devicePixelRatio);
    const TwipScale& scale() const { return m_scale; }
    qreal devicePixelRatio() const { return m_dpr; }
    QSize storedSize() const { return m_storedSize; }
    /// \brief The surface's size in pixels at its zoom.
    QSize size() const { return m_scale.size(m_storedSize); }

    /// \brief The image. Its pixels are the raster's, drawn on and, at the
    /// next setScale(), perhaps freed: copy it with snapshot() to keep it.
    const QImage& image() const { return m_image; }
    QImage snapshot() const { return m_image.copy(); }
    /// \brief The region changed since the last call, in pixels of the surface.
    QRect takeDirty();
    /// \brief Number of painter calls made so far (for tests and benchmarks).
    long long paintCalls() const { return m_paintCalls; }

private:
    struct Label {
        QString text;
        QFont font;
    };

    QRect deviceRect(int left, int top, int right, int bottom) const;
    QRect clipped(const QRect& deviceRect) const;
    void strokeLine(const Request& request);
    void strokeCircle(const Request& request);
    void strokeLabel(const Request& request);
    void thinLine(int c1, int r1, int c2, int r2, QRgb colour);
    void touch(const QRect& deviceRect);
    void painted();
    void newImage();

    QSize m_storedSize;
    TwipScale m_scale;
    qreal m_dpr;
    /// The image's pixels: kept at the largest size the surface has had and
    /// reused at every smaller one, so that turning a tablet back and forth
    /// does not leave holes in the memory that small allocations then split.
    std::vector<uchar> m_pixels;
    QImage m_image;
    QPainter m_painter;
    Pen m_pen;
    std::vector<Label> m_labels;
    QRect m_dirty;
    long long m_paintCalls = 0;
};

/// \brief The 0x00BBGGRR colour as a Qt colour.
inline QRgb toRgb(Colour colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

/// \brief The smallest rectangle holding \a a and \a b, a null one being
/// nothing. QRect's own union is a library call; this runs for every primitive.
inline QRect unite(const QRect& a, const QRect& b)
{
    if (a.isNull())
        return b;
    if (b.isNull())
        return a;
    return { QPoint(std::min(a.left(), b.left()), std::min(a.top(), b.top())),
        QPoint(std::max(a.right(), b.right()), std::max(a.bottom(), b.bottom())) };
}

} // namespace brelon
