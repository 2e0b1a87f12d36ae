// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/window.h"

#include "surface/core/vectorstate.h"
#include "surface/drawing/pause.h"
#include "surface/window/style.h"
#include "surface/window/surfacelabel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

namespace brelon {

Window::Window(QSize clientSize, QSize surfaceSize, QWidget* parent)
    : QWidget(parent)
    , m_canvas(std::make_unique<Canvas>(surfaceSize))
    , m_style(new WindowStyle(QStyleFactory::create(QApplication::style()->name())))
    , m_magnifier(clientSize, surfaceSize, m_style)
    , m_input(new HeldInput(this))
    , m_cancelledTouch(new CancelledTouch(this))
{
    m_style->setParent(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    resize(clientSize);
    setMinimumSize(clientSize);
    // Drawing made before the window is first shown is not kept.
    m_canvas->setEnabled(false);
}

Window::~Window() = default;

void Window::paintLabel(SurfaceLabel* label, const QRect& twips, const QFont& font)
{
    m_canvas->paintLabel(twips, label->text(), font, grey, [label] { label->setCovered(); });
}

void Window::rescale()
{
    const double zoom = m_magnifier.zoomFor(size());
    const qreal ratio = devicePixelRatioF();
    // Magnified, the surface is drawn at the zoom. Shrunk, it keeps the
    // pixels of the stored size, on which its drawing is exact, and shows
    // each on zoom × ratio device pixels: still one image pixel to a device
    // pixel, never stretched.
    m_shrink = std::min(zoom, 1.0);
    m_canvas->setScale(std::max(zoom, 1.0), std::max(TwipScale::smallestRatio, ratio * m_shrink));
    const QSize content = shownSize();
    const QPoint origin(std::max(0, (width() - content.width()) / 2), std::max(0, (height() - content.height()) / 2));
    if (m_magnifier.follow(zoom, ratio, origin))
        update();
}

QSize Window::shownSize() const
{
    const QSize size = m_canvas->size();
    return { int(std::ceil(size.width() * m_shrink)), int(std::ceil(size.height() * m_shrink)) };
}

void Window::watchScreen()
{
    // The ratio follows the screen's resolution, which can change under the
    // window without any event to it. The rescaling waits for the event
    // loop, when the toolkit has taken the change in.
    QScreen* now = screen();
    if (now == m_watchedScreen)
        return;
    if (m_watchedScreen)
        disconnect(m_watchedScreen, nullptr, this, nullptr);
    m_watchedScreen = now;
    if (!now)
        return;
    connect(now, &QScreen::logicalDotsPerInchChanged, this, &Window::rescale, Qt::QueuedConnection);
    connect(now, &QScreen::physicalDotsPerInchChanged, this, &Window::rescale, Qt::QueuedConnection);
}

bool Window::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The window has moved to another screen, perhaps of another ratio: the
    // toolkit says so before it paints the window there.
    if (event->type() == QEvent::ScreenChangeInternal) {
        watchScreen();
        rescale();
    }
    return handled;
}

void Window::paintEvent(QPaintEvent* event)
{
    const QImage& image = m_canvas->image();
    // The image's pixels to one of the window's.
    const qreal ratio = m_canvas->devicePixelRatio() / m_shrink;
    const QPoint origin = m_magnifier.origin();
    const QRect content(origin, shownSize());
    // Shrunk at a fractional ratio, the image may end within the content's
    // last row or column of pixels: the grey goes under that pixel too.
    const QRect covered(
        origin, QSize(int(image.width() / ratio), int(image.height() / ratio)).boundedTo(content.size()));
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        // Around a magnified content the margins are the window's grey.
        for (const QRect& margin : QRegion(r).subtracted(covered))
            painter.fillRect(margin, QColor(toRgb(grey)));
        const QRect part = r.intersected(content);
        if (part.isEmpty())
            continue;
        const QRect at = part.translated(-origin);
        const QRectF source(at.x() * ratio, at.y() * ratio, at.width() * ratio, at.height() * ratio);
        painter.drawImage(QRectF(part), image, source);
    }
}

void Window::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // In this order: a release held during a run reaches the cancelled
    // touch's filter when it is carried out.
    m_cancelledTouch->watch();
    m_input->watch();
    watchScreen();
    rescale();
    m_canvas->setEnabled(true);
}

void Window::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Minimising hides the window spontaneously; the drawing goes on into
    // the image and is there when the window comes back.
    if (!event->spontaneous())
        m_canvas->setEnabled(false);
}

void Window::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rescale();
}

void Window::presentNow()
{
    // The window system's own events: a window manager's ping is answered,
    // an expose or a resize is taken. Buttons, keys, the close request and a
    // screen reader's actions wait in the window's queue, in their order,
    // until the handler has ended.
    m_answering = true;
    QCoreApplication::processEvents();
    m_answering = false;
    // The whole window: a part that another window uncovered meanwhile is
    // restored at once, not only when the run is over.
    m_canvas->takeDirty();
    repaint();
    clearUpperVectorState();
    letThePageRun();
}

void Window::closeEvent(QCloseEvent* event)
{
    if (!m_input->running()) {
        QWidget::closeEvent(event);
        return;
    }
    // Ignoring the close also cancels an application quit, so the close is
    // asked for again once the handler has ended.
    event->ignore();
    m_input->hold([this] { close(); });
}

void Window::presentLater()
{
    const QRect dirty = m_canvas->takeDirty();
    if (dirty.isEmpty())
        return;
    // The surface's pixels where they show: smaller where the window shrinks.
    const QRectF shown(dirty.x() * m_shrink, dirty.y() * m_shrink, dirty.width() * m_shrink, dirty.height() * m_shrink);
    update(shown.toAlignedRect().translated(m_magnifier.origin()));
}

} // namespace brelon
