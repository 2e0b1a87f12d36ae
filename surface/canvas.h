// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/twips.h"
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
/// Coordinates arrive in twips and are snapped to pixels by the TwipScale of
/// the zoom; the pixels are then scaled by the device pixel ratio, so lines
/// stay sharp: `DrawWidth` × zoom (rounded) × ratio device pixels wide.
/// Drawing is aliased and opaque: a line that is vertical or horizontal in
/// pixels is a filled rectangle, a circle smaller than a pixel at the stored
/// size is a square mark of the pen's width at its pixel.
///
/// The canvas keeps what it has drawn as requests, so the picture can be
/// drawn again at a new zoom or ratio (setScale), pixel-identical to drawing
/// the same operations at that scale from the start. The record stays small:
/// requests that a later identical request repaints, or that a later run of
/// lines covers wholly at every scale, are forgotten.
///
/// With coalescing on (the default) the canvas leaves out drawing that cannot
/// change a pixel, and nothing else: a request that repeats one whose reach
/// nothing of another colour has touched since, and runs of same-coloured
/// rectangles whose union is a rectangle, which it fills once. The picture
/// is pixel-identical to drawing every primitive as it comes (coalescing
/// off), at any scale.
class Canvas {
public:
    /// \a size is the surface in pixels at the stored size, zoom 1.
    explicit Canvas(QSize size, qreal devicePixelRatio = 1.0, qreal zoom = 1.0);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    void line(float x1, float y1, float x2, float y2, Colour colour)
    {
        if (!m_enabled)
            return;
        const Request request { Request::Line, m_drawWidth, noFill, x1, y1, x2, y2, colour };
        if (!recall(request))
            draw(request);
    }
    void circle(float x, float y, float radius, Colour outline);

    void setDrawWidth(int pixels)
    {
        if (pixels < 1 || pixels > 32767)
            badDrawWidth(pixels);
        m_drawWidth = pixels;
    }
    void setFillStyle(int style);
    void setFillColor(Colour colour) { m_fillColor = colour; }

    /// \brief Drawing is dropped while disabled (the window is hidden).
    void setEnabled(bool enabled) { m_enabled = enabled; }
    /// \brief Off, every primitive is drawn as it comes, and nothing is kept
    /// to draw it again at another scale: the reference that tests and
    /// benchmarks hold the lean drawing against.
    void setCoalescing(bool on);

    /// \brief Paints a text with an opaque background into the image, as a
    /// label that lives on the surface (drawing covers it). \a twips is its
    /// rectangle, \a font its font at the stored size.
    void paintLabel(const QRect& twips, const QString& text, const QFont& font, Colour background);

    /// \brief Draws what is held back for merging. Call before the image is shown.
    void flush();
    /// \brief The region changed since the last call, in pixels of the surface.
    QRect takeDirty();

    const TwipScale& scale() const { return m_scale; }
    qreal devicePixelRatio() const { return m_dpr; }
    /// \brief The surface's size in pixels at its zoom.
    QSize size() const { return m_scale.size(m_storedSize); }
    /// \brief Draws the picture anew at \a zoom and \a devicePixelRatio.
    void setScale(qreal zoom, qreal devicePixelRatio);
    /// \brief The image as it is now (flushed; the pixels are shared until
    /// the next drawing, so copy it to keep it).
    const QImage& image();
    /// \brief A deep copy of the flushed picture.
    QImage snapshot();

    /// \brief Number of painter calls made so far (for tests and benchmarks).
    long long paintCalls() const { return m_paintCalls; }
    /// \brief Number of requests kept to draw the picture again (for tests).
    size_t recorded() const { return m_record.size(); }

private:
    static constexpr Colour noFill = 0xFF000000;

    // What a primitive was asked for, with the pen and fill in force: the
    // same request gives the same pixels. A circle holds its centre and
    // radius in x1, y1, x2; a label its rectangle, and its text's index in fill.
    struct Request {
        enum Kind : int { Line, Circle, Label } kind = Line;
        int width = 1;
        Colour fill = noFill;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        Colour colour = 0;
        // Bitwise, field by field: -0 and 0 count as different, which only
        // costs a redraw, and a request just built in registers is not
        // written out and read back as wider words.
        // The coordinates that tell requests apart most often come first.
        bool operator==(const Request& other) const
        {
            return bits(y1) == bits(other.y1) && bits(x1) == bits(other.x1) && bits(y2) == bits(other.y2)
                && bits(x2) == bits(other.x2) && colour == other.colour && kind == other.kind && width == other.width
                && fill == other.fill;
        }
        static std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }
    };
    // Twips that a request may paint at any scale (the pen, the rounding to
    // pixels and the painter's own reach included), within the surface.
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
    struct Kept {
        Request request;
        Reach reach;
    };
    // The requests drawn lately as rectangles, to leave out a repeat whose
    // reach nothing of another colour has touched since.
    class Recent {
    public:
        /// Whether \a request is remembered; the one after it is tried first next time.
        bool recall(const Request& request)
        {
            if (m_cursor < m_entries.size() && m_entries[m_cursor].request == request) {
                m_entries[m_cursor++].hit = true;
                return true;
            }
            return (m_present[slot(request) >> 6] >> (slot(request) & 63) & 1) != 0 && find(request);
        }
        void add(const Request& request, const Reach& reach);
        /// Forgets what a request of colour \a colour (and fill \a fill, or
        /// anything for a label) may paint over within \a reach.
        void forget(const Reach& reach, const Request& by);
        void clear();

    private:
        struct Entry {
            Request request;
            Reach reach;
            bool hit;
        };
        struct Group {
            Colour colour;
            Reach reach;
        };
        static unsigned slot(const Request& request)
        {
            return (bits(request.y1) ^ (bits(request.x1) >> 3)) * 0x9E3779B1u >> 25;
        }
        static std::uint32_t bits(float value) { return Request::bits(value); }
        bool find(const Request& request);
        void note(const Entry& entry);
        void rebuild();

        std::vector<Entry> m_entries;
        size_t m_cursor = 0;
        std::vector<Group> m_groups; ///< per colour, the union of its entries' reach
        std::array<std::uint64_t, 2> m_present {}; ///< which slots hold an entry
    };
    struct Label {
        QString text;
        QFont font;
    };
    // The run of merged rectangles held back: where its requests begin in the
    // record, and whether they are parallel horizontal lines close enough to
    // cover the twips between them at every scale.
    struct Run {
        size_t recordStart = 0;
        bool dense = false;
        int width = 0;
        float left = 0, right = 0, first = 0, last = 0;
    };

    bool recall(const Request& request) { return m_coalescing && m_recent.recall(request); }
    [[noreturn]] static void badDrawWidth(int pixels);
    void draw(const Request& request);
    void apply(const Request& request, const Reach& reach);
    // Each returns whether it filled a rectangle, which is worth remembering.
    bool render(const Request& request);
    bool renderLine(const Request& request);
    bool renderCircle(const Request& request);
    bool renderLabel(const Request& request);
    Reach reachOf(const Request& request) const;
    QRect deviceRect(int left, int top, int right, int bottom) const;
    void fill(const QRect& unclipped, QRgb colour, const Request& request);
    void drawPending();
    void thinLine(int c1, int r1, int c2, int r2, QRgb colour);
    void forgetCovered(const Run& run);
    void forgetRepainted();
    void touch(const QRect& deviceRect);
    void painted();
    void newImage();

    QSize m_storedSize;
    TwipScale m_scale;
    qreal m_dpr;
    QImage m_image;
    QPainter m_painter;
    int m_drawWidth = 1;
    int m_fillStyle = 1;
    Colour m_fillColor = 0;
    bool m_enabled = true;
    bool m_coalescing = true;
    bool m_redrawing = false;

    bool m_hasPending = false;
    QRect m_pending;
    QRgb m_pendingColour = 0;
    Run m_run;

    Recent m_recent;

    std::vector<Kept> m_record;
    size_t m_compactedSize = 0;
    std::vector<Label> m_labels;

    QRect m_dirty;
    long long m_paintCalls = 0;
};

/// \brief The 0x00BBGGRR colour as a Qt colour.
QRgb toRgb(Colour colour);

} // namespace brelon
