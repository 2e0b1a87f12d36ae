#include "surface/canvas.h"

#include "surface/errors.h"
#include "surface/vectorstate.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace brelon {

namespace {

constexpr size_t memoCapacity = 48;

int scaled(int logical, qreal ratio)
{
    return ratio == 1.0 ? logical : int(std::floor(logical * ratio));
}

// The image covers every device pixel of the window, a partly covered one too.
QSize deviceSize(QSize logical, qreal ratio)
{
    return { int(std::ceil(logical.width() * ratio)), int(std::ceil(logical.height() * ratio)) };
}

// QRect's own union is a library call; these run for every primitive.
QRect unite(const QRect& a, const QRect& b)
{
    if (a.isNull())
        return b;
    if (b.isNull())
        return a;
    return { QPoint(std::min(a.left(), b.left()), std::min(a.top(), b.top())),
        QPoint(std::max(a.right(), b.right()), std::max(a.bottom(), b.bottom())) };
}

bool intersects(const QRect& a, const QRect& b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

bool mergeable(const QRect& a, const QRect& b)
{
    if (a.contains(b) || b.contains(a))
        return true;
    if (a.left() == b.left() && a.right() == b.right())
        return b.top() <= a.bottom() + 1 && b.bottom() >= a.top() - 1;
    if (a.top() == b.top() && a.bottom() == b.bottom())
        return b.left() <= a.right() + 1 && b.right() >= a.left() - 1;
    return false;
}

} // namespace

QRgb toRgb(Colour colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

Canvas::Canvas(QSize logicalSize, qreal devicePixelRatio)
    : m_logicalSize(logicalSize)
    , m_dpr(devicePixelRatio)
    , m_image(deviceSize(logicalSize, devicePixelRatio), QImage::Format_RGB32)
{
    m_image.fill(toRgb(grey));
    beginPainter();
}

Canvas::~Canvas()
{
    m_painter.end();
}

void Canvas::painted()
{
    ++m_paintCalls;
    // Our own arithmetic follows, in this thread and the ones it starts.
    clearUpperVectorState();
}

void Canvas::beginPainter()
{
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBrush(Qt::NoBrush);
}

int Canvas::clampedPixel(double q)
{
    // Pixel coordinates this far out lie outside any window; clamping keeps
    // the integer arithmetic safe for absurd inputs such as unscaled bars.
    if (!std::isfinite(q))
        raise(ErrorKind::Overflow);
    return q < 0 ? -int(pixelLimit) : int(pixelLimit);
}

void Canvas::badDrawWidth(int pixels)
{
    raise(ErrorKind::PropertyValue, QStringLiteral("DrawWidth %1").arg(pixels));
}

void Canvas::setFillStyle(int style)
{
    if (style < 0 || style > 7)
        raise(ErrorKind::PropertyValue, QStringLiteral("FillStyle %1").arg(style));
    m_fillStyle = style;
}

void Canvas::setCoalescing(bool on)
{
    flush();
    m_memo.clear();
    reindex();
    m_coalescing = on;
}

QRect Canvas::deviceRect(int left, int top, int right, int bottom) const
{
    return { QPoint(scaled(left, m_dpr), scaled(top, m_dpr)),
        QPoint(scaled(right + 1, m_dpr) - 1, scaled(bottom + 1, m_dpr) - 1) };
}

void Canvas::drawLine(const Request& request)
{
    const float x1 = request.x1, y1 = request.y1, x2 = request.x2, y2 = request.y2;
    const Colour colour = request.colour;
    const int c1 = logicalPixel(x1), r1 = logicalPixel(y1);
    const int c2 = logicalPixel(x2), r2 = logicalPixel(y2);
    const int w = m_drawWidth;
    const int off = (w - 1) / 2;
    if (c1 == c2 || r1 == r2) {
        // A square pen of w pixels swept along a straight pixel run.
        fill(deviceRect(std::min(c1, c2) - off, std::min(r1, r2) - off, std::max(c1, c2) - off + w - 1,
                 std::max(r1, r2) - off + w - 1),
            toRgb(colour), request);
        return;
    }
    drawPending();
    if (w == 1 && m_dpr == std::floor(m_dpr)) {
        // One pixel wide at a whole ratio: a plain pixel run, each pixel a
        // ratio × ratio block, so a scaled picture is the same picture.
        thinLine(c1, r1, c2, r2, toRgb(colour));
        ++m_paintCalls;
        const QRect bound(QPoint(std::min(c1, c2), std::min(r1, r2)), QPoint(std::max(c1, c2), std::max(r1, r2)));
        const QRect device = deviceRect(bound.left(), bound.top(), bound.right(), bound.bottom());
        invalidate(device, 0, true);
        touch(device);
        return;
    }
    const qreal centre = w / 2.0 - off;
    const QPointF p1((c1 + centre) * m_dpr, (r1 + centre) * m_dpr);
    const QPointF p2((c2 + centre) * m_dpr, (r2 + centre) * m_dpr);
    const qreal penWidth = w * m_dpr;
    m_painter.setPen(QPen(QColor(toRgb(colour)), penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    m_painter.drawLine(p1, p2);
    painted();
    const QRect bound = QRectF(p1, p2)
                            .normalized()
                            .adjusted(-penWidth - 1, -penWidth - 1, penWidth + 1, penWidth + 1)
                            .toAlignedRect();
    invalidate(bound, 0, true);
    touch(bound);
}

void Canvas::thinLine(int c1, int r1, int c2, int r2, QRgb colour)
{
    // Bresenham's run from pixel to pixel, both end pixels included. The
    // painter writes into the same pixels, so they are reached through the
    // image's shared buffer rather than a detaching accessor.
    const int width = m_image.width(), height = m_image.height();
    const qsizetype stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    auto* pixels = reinterpret_cast<QRgb*>(const_cast<uchar*>(m_image.constBits()));
    const int dx = std::abs(c2 - c1), dy = std::abs(r2 - r1);
    const int sx = c1 < c2 ? 1 : -1, sy = r1 < r2 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const long long major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const auto inside = [&](int c, int r) { return unsigned(c) < unsigned(width) && unsigned(r) < unsigned(height); };
    long long error = 2 * minor - major;
    if (m_dpr == 1.0 && inside(c1, r1) && inside(c2, r2)) {
        const qsizetype stepMajor = xMajor ? sx : sy * stride, stepMinor = xMajor ? sy * stride : sx;
        qsizetype at = qsizetype(r1) * stride + c1;
        for (long long i = 0; i <= major; ++i) {
            pixels[at] = colour;
            if (error > 0) {
                at += stepMinor;
                error -= 2 * major;
            }
            error += 2 * minor;
            at += stepMajor;
        }
        return;
    }
    const int n = int(m_dpr);
    const auto plot = [&](int c, int r) {
        for (int y = r * n; y < r * n + n; ++y)
            for (int x = c * n; x < c * n + n; ++x)
                if (unsigned(x) < unsigned(width) && unsigned(y) < unsigned(height))
                    pixels[qsizetype(y) * stride + x] = colour;
    };
    int c = c1, r = r1;
    int& along = xMajor ? c : r;
    int& across = xMajor ? r : c;
    const int stepAlong = xMajor ? sx : sy, stepAcross = xMajor ? sy : sx;
    for (long long i = 0; i <= major; ++i) {
        plot(c, r);
        if (error > 0) {
            across += stepAcross;
            error -= 2 * major;
        }
        error += 2 * minor;
        along += stepAlong;
    }
}

void Canvas::circle(float x, float y, float radius, Colour outline)
{
    if (!m_enabled)
        return;
    const int c = logicalPixel(x), r = logicalPixel(y);
    const double pixels = std::fabs(double(radius)) / twipsPerPixel;
    if (!std::isfinite(pixels))
        raise(ErrorKind::Overflow);
    const int w = m_drawWidth;
    const int off = (w - 1) / 2;
    if (pixels < 1.0) {
        // Smaller than a pixel: the pen marks the circle's pixel.
        fill(deviceRect(c - off, r - off, c - off + w - 1, r - off + w - 1), toRgb(outline),
            { Request::Mark, w, x, y, radius, 0, outline });
        return;
    }
    drawPending();
    const QPointF centre((c + 0.5) * m_dpr, (r + 0.5) * m_dpr);
    const qreal rd = std::min(pixels, pixelLimit) * m_dpr;
    const qreal penWidth = w * m_dpr;
    m_painter.setPen(QPen(QColor(toRgb(outline)), penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (m_fillStyle == 0)
        m_painter.setBrush(QColor(toRgb(m_fillColor)));
    else
        m_painter.setBrush(Qt::NoBrush);
    m_painter.drawEllipse(centre, rd, rd);
    painted();
    const qreal reach = rd + penWidth + 1;
    const QRect bound = QRectF(centre.x() - reach, centre.y() - reach, 2 * reach, 2 * reach).toAlignedRect();
    invalidate(bound, 0, true);
    touch(bound);
}

size_t Canvas::slotOf(const Request& request)
{
    std::uint32_t h = std::bit_cast<std::uint32_t>(request.x1) * 0x9E3779B1u;
    h ^= std::bit_cast<std::uint32_t>(request.y1) * 0x85EBCA77u;
    h ^= std::bit_cast<std::uint32_t>(request.x2) * 0xC2B2AE3Du;
    h ^= std::bit_cast<std::uint32_t>(request.y2) * 0x27D4EB2Fu;
    h ^= (request.colour + std::uint32_t(request.width) * 0x165667B1u + request.kind) * 0x9E3779B1u;
    h ^= h >> 15;
    return (h * 0x7FEB352Du) >> (32 - memoIndexBits);
}

void Canvas::reindex()
{
    m_index.fill(0);
    m_memoBound = QRect();
    for (size_t i = 0; i < m_memo.size(); ++i) {
        m_index[slotOf(m_memo[i].request)] = std::uint8_t(i + 1);
        m_memoBound = unite(m_memoBound, m_memo[i].rect);
    }
}

bool Canvas::recallElsewhere(const Request& request)
{
    // Drawing repeated in every column comes in the same order each time:
    // after the entry that follows the last one recalled, the first of the
    // last run of matches is likely; a small hash finds the others.
    // Matching the request itself saves the pixel arithmetic.
    if (!m_coalescing || m_memo.empty())
        return false;
    const auto matches = [&](size_t at) { return at < m_memo.size() && m_memo[at].request == request; };
    size_t at = m_runStart;
    if (!matches(at)) {
        at = size_t(m_index[slotOf(request)]) - 1;
        if (!matches(at))
            return false;
    }
    m_runStart = at;
    m_memo[at].hit = true;
    m_cursor = at + 1;
    return true;
}

void Canvas::fill(const QRect& unclipped, QRgb colour, const Request& request)
{
    const QRect rect(QPoint(std::max(unclipped.left(), 0), std::max(unclipped.top(), 0)),
        QPoint(std::min(unclipped.right(), m_image.width() - 1), std::min(unclipped.bottom(), m_image.height() - 1)));
    if (rect.isEmpty())
        return;
    if (!m_coalescing) {
        m_painter.fillRect(rect, QColor(colour));
        painted();
        touch(rect);
        return;
    }
    if (m_hasPending && m_pendingColour == colour && mergeable(m_pending, rect)) {
        m_pending = unite(m_pending, rect);
        invalidate(rect, colour, false);
        return;
    }
    drawPending();
    m_pending = rect;
    m_pendingColour = colour;
    m_hasPending = true;
    invalidate(rect, colour, false);
    remember(rect, colour, request);
}

void Canvas::drawPending()
{
    if (!m_hasPending)
        return;
    m_painter.fillRect(m_pending, QColor(m_pendingColour));
    painted();
    touch(m_pending);
    m_hasPending = false;
}

void Canvas::remember(const QRect& rect, QRgb colour, const Request& request)
{
    if (m_memo.size() >= memoCapacity) {
        // Keep what has been drawn again at least once; forget the rest.
        std::erase_if(m_memo, [](const Memo& m) { return !m.hit; });
        if (m_memo.size() >= memoCapacity)
            m_memo.clear();
        reindex();
        for (Memo& m : m_memo)
            m.hit = false;
        m_cursor = 0;
        m_runStart = 0;
        reindex();
    }
    m_memo.push_back({ rect, colour, false, request });
    m_index[slotOf(request)] = std::uint8_t(m_memo.size());
    m_memoBound = unite(m_memoBound, rect);
}

void Canvas::invalidate(const QRect& rect, QRgb keepColour, bool anyColour)
{
    // A remembered rectangle stays valid only while its pixels still hold its colour.
    if (m_memo.empty() || !intersects(m_memoBound, rect))
        return;
    const auto stale = [&](const Memo& m) { return intersects(m.rect, rect) && (anyColour || m.colour != keepColour); };
    if (std::none_of(m_memo.begin(), m_memo.end(), stale))
        return;
    std::erase_if(m_memo, stale);
    reindex();
}

void Canvas::touch(const QRect& deviceRect)
{
    m_dirty = unite(m_dirty, deviceRect);
}

void Canvas::flush()
{
    drawPending();
}

QRect Canvas::takeDirty()
{
    flush();
    const QRect device = m_dirty;
    m_dirty = QRect();
    if (device.isEmpty())
        return {};
    const int left = int(std::floor(device.left() / m_dpr));
    const int top = int(std::floor(device.top() / m_dpr));
    const int right = int(std::ceil((device.right() + 1) / m_dpr));
    const int bottom = int(std::ceil((device.bottom() + 1) / m_dpr));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(QRect(QPoint(0, 0), m_logicalSize));
}

void Canvas::paintLabel(const QRect& rect, const QString& text, const QFont& font, Colour background)
{
    flush();
    const int left = logicalPixel(rect.left()), top = logicalPixel(rect.top());
    const QRect logical(left, top, rect.width() / twipsPerPixel, rect.height() / twipsPerPixel);
    const QRect device = deviceRect(logical.left(), logical.top(), logical.right(), logical.bottom());
    m_painter.fillRect(device, QColor(toRgb(background)));
    m_painter.save();
    m_painter.scale(m_dpr, m_dpr);
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(logical, Qt::AlignLeft | Qt::AlignTop, text);
    m_painter.restore();
    painted();
    m_memo.clear();
    reindex();
    touch(device);
}

void Canvas::setDevicePixelRatio(qreal ratio)
{
    if (ratio == m_dpr || ratio <= 0)
        return;
    flush();
    m_painter.end();
    QImage next(deviceSize(m_logicalSize, ratio), QImage::Format_RGB32);
    next.fill(toRgb(grey));
    {
        QPainter p(&next);
        p.drawImage(next.rect(), m_image);
    }
    clearUpperVectorState();
    m_image = next;
    m_dpr = ratio;
    m_memo.clear();
    reindex();
    beginPainter();
    touch(m_image.rect());
}

const QImage& Canvas::image()
{
    flush();
    return m_image;
}

QImage Canvas::snapshot()
{
    flush();
    return m_image.copy();
}

} // namespace brelon
