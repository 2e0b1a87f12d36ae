#pragma once

#include "surface/ui.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace brelon {

/// \brief The drawing surface's backing image and its primitives.
///
/// Coordinates arrive in twips and are snapped to logical pixels (15 twips a
/// pixel) in one place, logicalPixel(); the logical pixels are then scaled by
/// the device pixel ratio, so lines stay sharp and `DrawWidth` × ratio device
/// pixels wide on a high-resolution screen. Drawing is aliased and opaque: a
/// line that is vertical or horizontal in pixels is a filled rectangle, a
/// circle smaller than a pixel is a `DrawWidth` square mark at its pixel.
///
/// With coalescing on (the default) the canvas leaves out drawing that cannot
/// change a pixel, and nothing else: a rectangle that repeats one whose
/// pixels nothing has touched since, and runs of same-coloured rectangles
/// whose union is a rectangle, which it fills once. The picture is
/// pixel-identical to drawing every primitive as it comes (coalescing off).
class Canvas {
public:
    explicit Canvas(QSize logicalSize, qreal devicePixelRatio = 1.0);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    static constexpr int twipsPerPixel = 15;
    /// \brief The logical pixel that holds a coordinate in twips.
    static int logicalPixel(double twips)
    {
        // floor(twips / 15) without a library call: this runs for every
        // end point drawn. The quotient is exact at multiples of 15.
        const double q = twips / twipsPerPixel;
        if (!(q > -pixelLimit && q < pixelLimit))
            return clampedPixel(q);
        const int i = int(q);
        return i > q ? i - 1 : i;
    }

    void line(float x1, float y1, float x2, float y2, Colour colour)
    {
        if (!m_enabled)
            return;
        const Request request { Request::Line, m_drawWidth, x1, y1, x2, y2, colour };
        if (!recallRequest(request))
            drawLine(request);
    }
    void circle(float x, float y, float radius, Colour outline);

    void setDrawWidth(int pixels)
    {
        if (pixels < 1 || pixels > 32767)
            badDrawWidth(pixels);
        m_drawWidth = pixels;
    }
    int drawWidth() const { return m_drawWidth; }
    void setFillStyle(int style);
    int fillStyle() const { return m_fillStyle; }
    void setFillColor(Colour colour) { m_fillColor = colour; }
    Colour fillColor() const { return m_fillColor; }

    /// \brief Drawing is dropped while disabled (the window is hidden).
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    void setCoalescing(bool on);

    /// \brief Paints a text with an opaque background into the image, as a
    /// label that lives on the surface (drawing covers it). \a rect in twips.
    void paintLabel(const QRect& rect, const QString& text, const QFont& font, Colour background);

    /// \brief Draws what is held back for merging. Call before the image is shown.
    void flush();
    /// \brief The region changed since the last call, in logical pixels.
    QRect takeDirty();

    qreal devicePixelRatio() const { return m_dpr; }
    /// \brief Rebuilds the image for a new ratio, keeping the picture.
    void setDevicePixelRatio(qreal ratio);
    /// \brief The image as it is now (flushed; the pixels are shared until
    /// the next drawing, so copy it to keep it).
    const QImage& image();
    /// \brief A deep copy of the flushed picture.
    QImage snapshot();

    /// \brief Number of painter calls made so far (for tests and benchmarks).
    long long paintCalls() const { return m_paintCalls; }

private:
    static constexpr double pixelLimit = 1 << 22;
    static int clampedPixel(double q);

    // What a primitive was asked for, before any pixel arithmetic: the same
    // request with the same pen gives the same pixels.
    struct Request {
        enum Kind : int { None, Line, Mark } kind = None;
        int width = 0;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        Colour colour = 0;
        // Bitwise: -0 and 0 count as different, which only costs a redraw.
        // Field by field, so a request just built in registers is not
        // written out and read back as wider words.
        bool operator==(const Request& other) const
        {
            return kind == other.kind && width == other.width && bits(x1) == bits(other.x1)
                && bits(y1) == bits(other.y1) && bits(x2) == bits(other.x2) && bits(y2) == bits(other.y2)
                && colour == other.colour;
        }
        static std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }
    };
    struct Memo {
        QRect rect;
        QRgb colour;
        bool hit;
        Request request;
    };

    QRect deviceRect(int left, int top, int right, int bottom) const;
    void fill(const QRect& unclipped, QRgb colour, const Request& request);
    bool recallRequest(const Request& request)
    {
        // The entry after the last one recalled is the likely match.
        if (m_coalescing && m_cursor < m_memo.size() && m_memo[m_cursor].request == request) {
            m_memo[m_cursor++].hit = true;
            return true;
        }
        return recallElsewhere(request);
    }
    bool recallElsewhere(const Request& request);
    [[noreturn]] static void badDrawWidth(int pixels);
    void drawLine(const Request& request);
    void drawPending();
    void thinLine(int c1, int r1, int c2, int r2, QRgb colour);
    void invalidate(const QRect& rect, QRgb keepColour, bool anyColour);
    void remember(const QRect& rect, QRgb colour, const Request& request);
    void touch(const QRect& deviceRect);
    void beginPainter();
    /// Counts a painter call and hands the register state back clean.
    void painted();

    QSize m_logicalSize;
    qreal m_dpr;
    QImage m_image;
    QPainter m_painter;
    int m_drawWidth = 1;
    int m_fillStyle = 1;
    Colour m_fillColor = 0;
    bool m_enabled = true;
    bool m_coalescing = true;

    bool m_hasPending = false;
    QRect m_pending;
    QRgb m_pendingColour = 0;
    std::vector<Memo> m_memo;
    static constexpr int memoIndexBits = 7;
    static size_t slotOf(const Request& request);
    void reindex();
    std::array<std::uint8_t, 1 << memoIndexBits> m_index {};
    size_t m_cursor = 0;
    size_t m_runStart = 0;
    QRect m_memoBound;

    QRect m_dirty;
    long long m_paintCalls = 0;
};

/// \brief The 0x00BBGGRR colour as a Qt colour.
QRgb toRgb(Colour colour);

} // namespace brelon
