// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/canvas.h"

#include <optional>

namespace brelon {

namespace {

// Whether the union of two rectangles is a rectangle: one holds the other,
// or they share two opposite edges and touch or overlap.
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

Canvas::Canvas(QSize size, qreal devicePixelRatio, qreal zoom)
    : m_raster(size, devicePixelRatio, zoom)
{
}

void Canvas::circle(float x, float y, float radius, Colour outline)
{
    if (!m_enabled)
        return;
    const Request request = m_raster.pen().circle(x, y, radius, outline);
    if (!m_repeats.recall(request))
        draw(request);
}

void Canvas::paintLabel(
    const QRect& twips, const QString& text, const QFont& font, Colour background, std::function<void()> covered)
{
    // Painted while the window is built, so whether drawing is dropped does not apply.
    const Request label = m_raster.label(twips, text, font, background);
    m_labelCovered = nullptr;
    draw(label);
    m_label = reachOf(label, m_raster.storedSize());
    m_labelCovered = std::move(covered);
}

void Canvas::draw(const Request& request)
{
    const Reach reach = reachOf(request, m_raster.storedSize());
    if (reach.empty())
        return; // wholly outside the surface, at every scale
    // Drawing that may paint a pixel of the label covers it, once and for all.
    if (m_labelCovered && reach.meets(m_label)) {
        const std::function<void()> covered = std::move(m_labelCovered);
        m_labelCovered = nullptr;
        covered();
    }
    m_list.add(request, reach);
    apply(request, reach);
}

void Canvas::apply(const Request& request, const Reach& reach)
{
    m_repeats.forget(reach, request);
    if (const std::optional<QRect> block = m_raster.block(request)) {
        if (!block->isEmpty())
            merge(*block, request);
        m_repeats.add(request, reach);
        return;
    }
    drawPending();
    m_raster.stroke(request);
}

void Canvas::merge(const QRect& deviceRect, const Request& request)
{
    const QRgb colour = toRgb(request.colour);
    if (m_hasPending && m_pendingColour == colour && mergeable(m_pending, deviceRect)) {
        m_pending = unite(m_pending, deviceRect);
        if (!m_replaying)
            m_list.extendRun(request);
        return;
    }
    drawPending();
    m_pending = deviceRect;
    m_pendingColour = colour;
    m_hasPending = true;
    if (!m_replaying)
        m_list.beginRun(request);
}

void Canvas::drawPending()
{
    if (m_hasPending) {
        m_raster.fill(m_pending, m_pendingColour);
        m_hasPending = false;
    }
    // The list is not changed while it is being drawn again.
    if (!m_replaying)
        m_list.settle();
}

void Canvas::flush()
{
    drawPending();
}

QRect Canvas::takeDirty()
{
    flush();
    return m_raster.takeDirty();
}

void Canvas::setScale(qreal zoom, qreal devicePixelRatio)
{
    if (zoom <= 0 || devicePixelRatio <= 0
        || (zoom == m_raster.scale().zoom() && devicePixelRatio == m_raster.devicePixelRatio()))
        return;
    flush();
    m_raster.setScale(zoom, devicePixelRatio);
    m_repeats.clear();
    // Everything kept, drawn again at the new scale, as it was first drawn.
    m_replaying = true;
    for (const DisplayList::Kept& kept : m_list)
        if (!m_repeats.recall(kept.request))
            apply(kept.request, kept.reach);
    flush();
    m_replaying = false;
}

const QImage& Canvas::image()
{
    flush();
    return m_raster.image();
}

QImage Canvas::snapshot()
{
    flush();
    return m_raster.snapshot();
}

} // namespace brelon
