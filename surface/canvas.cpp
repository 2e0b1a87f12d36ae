// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/canvas.h"

#include "surface/errors.h"
#include "surface/vectorstate.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace brelon {

namespace {

constexpr size_t memoCapacity = 48;
constexpr double circleLimit = 1 << 22;

int scaled(int logical, qreal ratio)
{
    return ratio == 1.0 ? logical : int(std::floor(logical * ratio));
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

void requireFinite(std::initializer_list<float> values)
{
    for (const float value : values)
        if (!std::isfinite(value))
            raise(ErrorKind::Overflow);
}

} // namespace

QRgb toRgb(Colour colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

Canvas::Canvas(QSize size, qreal devicePixelRatio, qreal zoom)
    : m_storedSize(size)
    , m_scale(zoom)
    , m_dpr(devicePixelRatio)
{
    newImage();
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
    m_recent.clear();
    m_coalescing = on;
}

void Canvas::circle(float x, float y, float radius, Colour outline)
{
    if (!m_enabled)
        return;
    // A mark is the pen's square: the fill does not reach it.
    const bool mark = std::fabs(radius) < TwipScale::twipsPerPixel;
    const Colour fill = mark || m_fillStyle != 0 ? noFill : m_fillColor;
    const Request request { Request::Circle, m_drawWidth, fill, x, y, radius, 0, outline };
    if (!recall(request))
        draw(request);
}

void Canvas::paintLabel(const QRect& twips, const QString& text, const QFont& font, Colour background)
{
    // Painted while the window is built, so whether drawing is dropped does not apply.
    m_labels.push_back({ text, font });
    const Request request { Request::Label, 0, Colour(m_labels.size() - 1), float(twips.left()), float(twips.top()),
        float(twips.left() + twips.width()), float(twips.top() + twips.height()), background };
    draw(request);
}

Canvas::Reach Canvas::reachOf(const Request& request) const
{
    // The pen, half of it beyond an end; the snapping to a pixel; the
    // painter's own rounding: all less than a pixel at the stored size for
    // every unit of width, and two more, at any zoom of 1 or more and any
    // ratio of ½ or more.
    double margin = 15.0 * request.width + 60;
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
        margin = TwipScale::twipsPerPixel;
        break;
    }
    // Beyond the surface (and the pixel that may hold its edge) nothing shows.
    const double edge = TwipScale::twipsPerPixel;
    const double width = m_storedSize.width() * edge, height = m_storedSize.height() * edge;
    return { float(std::max(left - margin, -edge)), float(std::max(top - margin, -edge)),
        float(std::min(right + margin, width + edge)), float(std::min(bottom + margin, height + edge)) };
}

void Canvas::draw(const Request& request)
{
    const Reach reach = reachOf(request);
    if (reach.empty())
        return; // wholly outside the surface, at every scale
    if (!m_redrawing && m_coalescing)
        m_record.push_back({ request, reach });
    apply(request, reach);
}

void Canvas::apply(const Request& request, const Reach& reach)
{
    if (m_coalescing)
        m_recent.forget(reach, request);
    if (render(request) && m_coalescing)
        m_recent.add(request, reach);
}

bool Canvas::render(const Request& request)
{
    switch (request.kind) {
    case Request::Line:
        return renderLine(request);
    case Request::Circle:
        return renderCircle(request);
    case Request::Label:
        return renderLabel(request);
    }
    return false;
}

QRect Canvas::deviceRect(int left, int top, int right, int bottom) const
{
    return { QPoint(scaled(left, m_dpr), scaled(top, m_dpr)),
        QPoint(scaled(right + 1, m_dpr) - 1, scaled(bottom + 1, m_dpr) - 1) };
}

bool Canvas::renderLine(const Request& request)
{
    const int c1 = m_scale.pixel(request.x1), r1 = m_scale.pixel(request.y1);
    const int c2 = m_scale.pixel(request.x2), r2 = m_scale.pixel(request.y2);
    const int w = m_scale.pen(request.width);
    const int off = (w - 1) / 2;
    const QRgb colour = toRgb(request.colour);
    if (c1 == c2 || r1 == r2) {
        // A square pen of w pixels swept along a straight pixel run.
        fill(deviceRect(std::min(c1, c2) - off, std::min(r1, r2) - off, std::max(c1, c2) - off + w - 1,
                 std::max(r1, r2) - off + w - 1),
            colour, request);
        return true;
    }
    drawPending();
    if (w == 1 && m_dpr == std::floor(m_dpr)) {
        // One pixel wide at a whole ratio: a plain pixel run, each pixel a
        // ratio × ratio block, so a scaled picture is the same picture.
        thinLine(c1, r1, c2, r2, colour);
        ++m_paintCalls;
        touch(deviceRect(std::min(c1, c2), std::min(r1, r2), std::max(c1, c2), std::max(r1, r2)));
        return false;
    }
    const qreal centre = w / 2.0 - off;
    const QPointF p1((c1 + centre) * m_dpr, (r1 + centre) * m_dpr);
    const QPointF p2((c2 + centre) * m_dpr, (r2 + centre) * m_dpr);
    // At least a device pixel: a thinner pen would blend its colour in.
    const qreal penWidth = std::max<qreal>(1, w * m_dpr);
    m_painter.setPen(QPen(QColor(colour), penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    m_painter.drawLine(p1, p2);
    painted();
    touch(
        QRectF(p1, p2).normalized().adjusted(-penWidth - 1, -penWidth - 1, penWidth + 1, penWidth + 1).toAlignedRect());
    return false;
}

void Canvas::thinLine(int c1, int r1, int c2, int r2, QRgb colour)
{
    // Bresenham's run from pixel to pixel, both end pixels included, each a
    // block of n × n device pixels. The painter writes into the same pixels,
    // so they are reached through the image's shared buffer rather than a
    // detaching accessor.
    const int n = int(m_dpr);
    const int width = m_image.width(), height = m_image.height();
    const int columns = (width + n - 1) / n, rows = (height + n - 1) / n;
    const qsizetype stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    auto* pixels = reinterpret_cast<QRgb*>(const_cast<uchar*>(m_image.constBits()));
    const int dx = std::abs(c2 - c1), dy = std::abs(r2 - r1);
    const int sx = c1 < c2 ? 1 : -1, sy = r1 < r2 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const long long major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    int c = c1, r = r1;
    int& along = xMajor ? c : r;
    int& across = xMajor ? r : c;
    const int stepAlong = xMajor ? sx : sy, stepAcross = xMajor ? sy : sx;
    const qsizetype rowStep = qsizetype(n) * stride;
    const qsizetype atAlong = xMajor ? qsizetype(sx) * n : sy * rowStep;
    const qsizetype atAcross = xMajor ? sy * rowStep : qsizetype(sx) * n;
    qsizetype at = r1 * rowStep + qsizetype(c1) * n; // the block's top left device pixel
    long long error = 2 * minor - major;
    for (long long i = 0; i <= major; ++i) {
        if (unsigned(c) < unsigned(columns) && unsigned(r) < unsigned(rows)) {
            if (n == 1) {
                pixels[at] = colour;
            } else {
                for (int y = 0; y < n && r * n + y < height; ++y)
                    for (int x = 0; x < n && c * n + x < width; ++x)
                        pixels[at + y * stride + x] = colour;
            }
        }
        if (error > 0) {
            across += stepAcross;
            at += atAcross;
            error -= 2 * major;
        }
        error += 2 * minor;
        along += stepAlong;
        at += atAlong;
    }
}

bool Canvas::renderCircle(const Request& request)
{
    const int c = m_scale.pixel(request.x1), r = m_scale.pixel(request.y1);
    const int w = m_scale.pen(request.width);
    const int off = (w - 1) / 2;
    const QRgb outline = toRgb(request.colour);
    if (std::fabs(request.x2) < TwipScale::twipsPerPixel) {
        // Smaller than a pixel at the stored size: the pen marks the circle's pixel.
        fill(deviceRect(c - off, r - off, c - off + w - 1, r - off + w - 1), outline, request);
        return true;
    }
    drawPending();
    const QPointF centre((c + 0.5) * m_dpr, (r + 0.5) * m_dpr);
    const qreal radius = std::min(m_scale.length(std::fabs(request.x2)), circleLimit) * m_dpr;
    // At least a device pixel: a thinner pen would blend its colour in.
    const qreal penWidth = std::max<qreal>(1, w * m_dpr);
    m_painter.setPen(QPen(QColor(outline), penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (request.fill == noFill)
        m_painter.setBrush(Qt::NoBrush);
    else
        m_painter.setBrush(QColor(toRgb(request.fill)));
    m_painter.drawEllipse(centre, radius, radius);
    painted();
    const qreal reach = radius + penWidth + 1;
    touch(QRectF(centre.x() - reach, centre.y() - reach, 2 * reach, 2 * reach).toAlignedRect());
    return false;
}

bool Canvas::renderLabel(const Request& request)
{
    drawPending();
    const Label& label = m_labels[request.fill];
    const QRectF twips(QPointF(request.x1, request.y1), QPointF(request.x2, request.y2));
    const QRect logical = m_scale.rect(twips.toRect());
    const QRect device = deviceRect(logical.left(), logical.top(), logical.right(), logical.bottom());
    m_painter.fillRect(device, QColor(toRgb(request.colour)));
    // The text is laid out at the stored size and magnified as a whole, so
    // it keeps its proportions at every zoom.
    const qreal factor = m_scale.zoom() * m_dpr;
    m_painter.save();
    m_painter.scale(factor, factor);
    m_painter.setFont(label.font);
    m_painter.setPen(Qt::black);
    const qreal unit = TwipScale::twipsPerPixel;
    m_painter.drawText(QRectF(twips.topLeft() / unit, twips.size() / unit), Qt::AlignLeft | Qt::AlignTop, label.text);
    m_painter.restore();
    painted();
    touch(device);
    return false;
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
    const bool horizontal = request.kind == Request::Line && request.y1 == request.y2;
    const float left = std::min(request.x1, request.x2), right = std::max(request.x1, request.x2);
    if (m_hasPending && m_pendingColour == colour && mergeable(m_pending, rect)) {
        m_pending = unite(m_pending, rect);
        // Lines closer than the pen is wide at the stored size, less half a
        // pixel, leave no gap at any zoom.
        const float step = request.y1 - m_run.last;
        m_run.dense = m_run.dense && horizontal && left == m_run.left && right == m_run.right
            && request.width == m_run.width && step >= 0 && step <= 15.0f * float(request.width) - 7.5f;
        m_run.last = request.y1;
        return;
    }
    drawPending();
    m_pending = rect;
    m_pendingColour = colour;
    m_hasPending = true;
    m_run = { m_record.empty() ? 0 : m_record.size() - 1, horizontal, request.width, left, right, request.y1,
        request.y1 };
}

void Canvas::drawPending()
{
    if (m_hasPending) {
        m_painter.fillRect(m_pending, QColor(m_pendingColour));
        painted();
        touch(m_pending);
        m_hasPending = false;
        if (!m_redrawing && m_run.dense)
            forgetCovered(m_run);
    }
    if (!m_redrawing && m_record.size() > 2 * m_compactedSize && m_record.size() > 4096)
        forgetRepainted();
}

void Canvas::forgetCovered(const Run& run)
{
    // A dense run of lines paints every pixel from its first line to its
    // last and end to end, and the pen's guaranteed half beyond, at any
    // scale: what was drawn wholly within before it no longer shows.
    const float guaranteed = std::max(0.0f, 7.5f * float(run.width) - 20);
    const Reach cover { run.left - guaranteed, run.first - guaranteed, run.right + guaranteed, run.last + guaranteed };
    // A line of the same pen and ends between its first and last line lies
    // under the run in every pixel, whatever its reach.
    const auto under = [&](const Request& r) {
        return r.kind == Request::Line && r.y1 == r.y2 && r.width == run.width && std::min(r.x1, r.x2) == run.left
            && std::max(r.x1, r.x2) == run.right && r.y1 >= run.first && r.y1 <= run.last;
    };
    const auto end = m_record.begin() + std::ptrdiff_t(std::min(run.recordStart, m_record.size()));
    m_record.erase(std::remove_if(m_record.begin(), end,
                       [&](const Kept& kept) { return kept.reach.within(cover) || under(kept.request); }),
        end);
}

void Canvas::forgetRepainted()
{
    // A request that an identical later one repaints, with its pixels in its
    // colours whatever came in between, no longer shows either.
    struct Hash {
        size_t operator()(const Request& r) const
        {
            size_t h = size_t(r.kind) * 0x9E3779B97F4A7C15u + size_t(r.width);
            for (const std::uint32_t v : { r.fill, Request::bits(r.x1), Request::bits(r.y1), Request::bits(r.x2),
                     Request::bits(r.y2), r.colour })
                h = (h ^ v) * 0x100000001B3u;
            return h;
        }
    };
    std::unordered_map<Request, size_t, Hash> last;
    last.reserve(m_record.size());
    for (size_t i = 0; i < m_record.size(); ++i)
        last[m_record[i].request] = i;
    size_t kept = 0;
    for (size_t i = 0; i < m_record.size(); ++i)
        if (last[m_record[i].request] == i)
            m_record[kept++] = m_record[i];
    m_record.resize(kept);
    m_compactedSize = kept;
}

void Canvas::Recent::add(const Request& request, const Reach& reach)
{
    if (m_entries.size() >= memoCapacity) {
        // Keep what has been drawn again at least once; forget the rest.
        std::erase_if(m_entries, [](const Entry& e) { return !e.hit; });
        if (m_entries.size() >= memoCapacity)
            m_entries.clear();
        for (Entry& e : m_entries)
            e.hit = false;
        m_cursor = 0;
        rebuild();
    }
    m_entries.push_back({ request, reach, false });
    note(m_entries.back());
}

void Canvas::Recent::note(const Entry& entry)
{
    const unsigned at = slot(entry.request);
    m_present[at >> 6] |= std::uint64_t(1) << (at & 63);
    for (Group& group : m_groups) {
        if (group.colour == entry.request.colour) {
            group.reach = { std::min(group.reach.left, entry.reach.left), std::min(group.reach.top, entry.reach.top),
                std::max(group.reach.right, entry.reach.right), std::max(group.reach.bottom, entry.reach.bottom) };
            return;
        }
    }
    m_groups.push_back({ entry.request.colour, entry.reach });
}

bool Canvas::Recent::find(const Request& request)
{
    for (size_t at = 0; at < m_entries.size(); ++at) {
        if (m_entries[at].request == request) {
            m_entries[at].hit = true;
            m_cursor = at + 1;
            return true;
        }
    }
    return false;
}

void Canvas::Recent::forget(const Reach& reach, const Request& by)
{
    // An entry stays good while nothing of another colour may have touched
    // its reach: what the new request paints keeps only the pixels of its
    // own colours.
    const auto keeps = [&](Colour colour) {
        return by.kind != Request::Label && colour == by.colour && (by.fill == noFill || by.fill == colour);
    };
    const bool touched = std::any_of(
        m_groups.begin(), m_groups.end(), [&](const Group& g) { return !keeps(g.colour) && g.reach.meets(reach); });
    if (!touched)
        return;
    std::erase_if(m_entries, [&](const Entry& e) { return !keeps(e.request.colour) && e.reach.meets(reach); });
    rebuild();
}

void Canvas::Recent::clear()
{
    m_entries.clear();
    m_cursor = 0;
    rebuild();
}

void Canvas::Recent::rebuild()
{
    m_groups.clear();
    m_present = {};
    for (const Entry& e : m_entries)
        note(e);
    m_cursor = std::min(m_cursor, m_entries.size());
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
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(QRect(QPoint(0, 0), size()));
}

void Canvas::newImage()
{
    // The image covers every device pixel of the surface, a partly covered one too.
    const double factor = m_scale.zoom() * m_dpr;
    m_image = QImage(int(std::ceil(m_storedSize.width() * factor)), int(std::ceil(m_storedSize.height() * factor)),
        QImage::Format_RGB32);
    m_image.fill(toRgb(grey));
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBrush(Qt::NoBrush);
}

void Canvas::setScale(qreal zoom, qreal devicePixelRatio)
{
    if (zoom <= 0 || devicePixelRatio <= 0 || (zoom == m_scale.zoom() && devicePixelRatio == m_dpr))
        return;
    flush();
    m_painter.end();
    m_scale = TwipScale(zoom);
    m_dpr = devicePixelRatio;
    newImage();
    m_recent.clear();
    // Everything kept, drawn again at the new scale, as it was first drawn.
    m_redrawing = true;
    for (const Kept& kept : m_record)
        if (!recall(kept.request))
            apply(kept.request, kept.reach);
    flush();
    m_redrawing = false;
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
