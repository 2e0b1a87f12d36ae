// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/raster.h"

#include "surface/core/vectorstate.h"

#include <algorithm>
#include <cmath>

namespace brelon {

namespace {

// Beyond any window: a radius this large is drawn as this large.
constexpr double circleLimit = 1 << 22;

int scaled(int logical, qreal ratio)
{
    return ratio == 1.0 ? logical : int(std::floor(logical * ratio));
}

} // namespace

Raster::Raster(QSize size, qreal devicePixelRatio, qreal zoom)
    : m_storedSize(size)
    , m_scale(zoom)
    , m_dpr(devicePixelRatio)
{
    newImage();
}

Raster::~Raster()
{
    m_painter.end();
}

void Raster::painted()
{
    ++m_paintCalls;
    // Our own arithmetic follows, in this thread and the ones it starts.
    clearUpperVectorState();
}

Request Raster::label(const QRect& twips, const QString& text, const QFont& font, Colour background)
{
    m_labels.push_back({ text, font });
    return { Request::Label, 0, Colour(m_labels.size() - 1), float(twips.left()), float(twips.top()),
        float(twips.left() + twips.width()), float(twips.top() + twips.height()), background };
}

void Raster::draw(const Request& request)
{
    if (reachOf(request, m_storedSize).empty())
        return; // wholly outside the surface, at every scale
    if (const std::optional<QRect> rect = block(request)) {
        if (!rect->isEmpty())
            fill(*rect, toRgb(request.colour));
        return;
    }
    stroke(request);
}

QRect Raster::deviceRect(int left, int top, int right, int bottom) const
{
    // Below a ratio of 1 a pixel may span less than a device pixel: it still
    // takes one, so nothing drawn is lost.
    const QPoint topLeft(scaled(left, m_dpr), scaled(top, m_dpr));
    return { topLeft,
        QPoint(std::max(topLeft.x(), scaled(right + 1, m_dpr) - 1),
            std::max(topLeft.y(), scaled(bottom + 1, m_dpr) - 1)) };
}

QRect Raster::clipped(const QRect& deviceRect) const
{
    return { QPoint(std::max(deviceRect.left(), 0), std::max(deviceRect.top(), 0)),
        QPoint(
            std::min(deviceRect.right(), m_image.width() - 1), std::min(deviceRect.bottom(), m_image.height() - 1)) };
}

std::optional<QRect> Raster::block(const Request& request) const
{
    const int w = m_scale.pen(request.width);
    const int off = (w - 1) / 2;
    switch (request.kind) {
    case Request::Line: {
        const int c1 = m_scale.pixel(request.x1), r1 = m_scale.pixel(request.y1);
        const int c2 = m_scale.pixel(request.x2), r2 = m_scale.pixel(request.y2);
        if (c1 != c2 && r1 != r2)
            return std::nullopt;
        // A square pen of w pixels swept along a straight pixel run.
        return clipped(deviceRect(std::min(c1, c2) - off, std::min(r1, r2) - off, std::max(c1, c2) - off + w - 1,
            std::max(r1, r2) - off + w - 1));
    }
    case Request::Circle: {
        if (std::fabs(request.x2) >= TwipScale::twipsPerPixel)
            return std::nullopt;
        // Smaller than a pixel at the stored size: the pen marks the circle's pixel.
        const int c = m_scale.pixel(request.x1), r = m_scale.pixel(request.y1);
        return clipped(deviceRect(c - off, r - off, c - off + w - 1, r - off + w - 1));
    }
    case Request::Label:
        break;
    }
    return std::nullopt;
}

void Raster::fill(const QRect& deviceRect, QRgb colour)
{
    m_painter.fillRect(deviceRect, QColor(colour));
    painted();
    touch(deviceRect);
}

void Raster::stroke(const Request& request)
{
    switch (request.kind) {
    case Request::Line:
        strokeLine(request);
        break;
    case Request::Circle:
        strokeCircle(request);
        break;
    case Request::Label:
        strokeLabel(request);
        break;
    }
}

void Raster::strokeLine(const Request& request)
{
    const int c1 = m_scale.pixel(request.x1), r1 = m_scale.pixel(request.y1);
    const int c2 = m_scale.pixel(request.x2), r2 = m_scale.pixel(request.y2);
    const int w = m_scale.pen(request.width);
    const int off = (w - 1) / 2;
    const QRgb colour = toRgb(request.colour);
    if (w == 1 && m_dpr == std::floor(m_dpr)) {
        // One pixel wide at a whole ratio: a plain pixel run, each pixel a
        // ratio × ratio block, so a scaled picture is the same picture.
        thinLine(c1, r1, c2, r2, colour);
        ++m_paintCalls;
        touch(deviceRect(std::min(c1, c2), std::min(r1, r2), std::max(c1, c2), std::max(r1, r2)));
        return;
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
}

void Raster::thinLine(int c1, int r1, int c2, int r2, QRgb colour)
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

void Raster::strokeCircle(const Request& request)
{
    const int c = m_scale.pixel(request.x1), r = m_scale.pixel(request.y1);
    const int w = m_scale.pen(request.width);
    const QRgb outline = toRgb(request.colour);
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
}

void Raster::strokeLabel(const Request& request)
{
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
}

void Raster::touch(const QRect& deviceRect)
{
    m_dirty = unite(m_dirty, deviceRect);
}

QRect Raster::takeDirty()
{
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

void Raster::newImage()
{
    // The image covers every device pixel of the surface, a partly covered one too.
    const double factor = m_scale.zoom() * m_dpr;
    const int width = int(std::ceil(m_storedSize.width() * factor));
    const int height = int(std::ceil(m_storedSize.height() * factor));
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    m_image = QImage();
    if (m_pixels.size() < bytes) {
        // The old pixels go first: at a projector's size both together
        // would need twice the memory (a browser gives a page only so much).
        std::vector<uchar>().swap(m_pixels);
        m_pixels.resize(bytes);
    }
    m_image = QImage(m_pixels.data(), width, height, bytesPerLine, QImage::Format_RGB32);
    m_image.fill(toRgb(grey));
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBrush(Qt::NoBrush);
}

void Raster::setScale(qreal zoom, qreal devicePixelRatio)
{
    m_painter.end();
    m_scale = TwipScale(zoom);
    m_dpr = devicePixelRatio;
    newImage();
    touch(m_image.rect());
}

} // namespace brelon
