// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/window.h"

#include "surface/window/accessible.h"
#include "surface/core/errors.h"
#include "surface/window/scrollbar.h"
#include "surface/window/style.h"
#include "surface/window/surfacelabel.h"
#include "surface/core/vectorstate.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace brelon {

namespace {

// The fore colour: black, as no other is stored with the window.
constexpr Colour foreColour = 0x000000;

/// \brief \a font, given at the stored size in whole pixels, at \a zoom: a
/// fractional size, so that texts keep their widths in proportion.
QFont zoomedFont(const QFont& font, double zoom, int logicalDpi)
{
    if (zoom == 1 || font.pixelSize() <= 0)
        return font;
    QFont zoomed = font;
    zoomed.setPointSizeF(font.pixelSize() * zoom * 72.0 / logicalDpi);
    return zoomed;
}

} // namespace

Window::Window(QSize clientSize, QSize surfaceSize, QWidget* parent)
    : QWidget(parent)
    , m_canvas(std::make_unique<Canvas>(surfaceSize))
    , m_surfaceSize(surfaceSize)
    , m_style(new WindowStyle(QStyleFactory::create(QApplication::style()->name())))
{
    m_style->setParent(this);
    // What screen readers see of the window and its widgets (installed once).
    QAccessible::installFactory(accessibleInterface);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    resize(clientSize);
    setMinimumSize(clientSize);
    // Drawing made before the window is first shown is not kept.
    m_canvas->setEnabled(false);
}

Window::~Window() = default;

bool Window::complete() const
{
    const auto all = [](const auto& widgets) {
        return std::all_of(widgets.begin(), widgets.end(), [](const auto* w) { return w != nullptr; });
    };
    return all(m_fields) && all(m_bars) && all(m_options) && all(m_buttons);
}

void Window::place(QWidget* widget, const QRect& twips, const QFont& font)
{
    widget->setStyle(m_style);
    m_placements.push_back({ widget, twips, font });
    placeWidget(m_placements.back());
}

void Window::showPicture(QLabel* label, const QImage& picture)
{
    m_pictures.push_back({ label, picture });
    showPicture(m_pictures.back());
}

void Window::paintLabel(SurfaceLabel* label, const QRect& twips, const QFont& font)
{
    m_canvas->paintLabel(twips, label->text(), font, grey);
    m_label = label;
    m_labelTwips = twips;
}

void Window::coverLabel()
{
    m_label->setCovered();
    m_label = nullptr;
}

void Window::rescale()
{
    const double zoom = std::max(TwipScale::smallestZoom,
        std::min(double(width()) / m_surfaceSize.width(), double(height()) / m_surfaceSize.height()));
    const qreal ratio = devicePixelRatioF();
    m_canvas->setScale(zoom, ratio);
    const QSize content = m_canvas->size();
    const QPoint origin(std::max(0, (width() - content.width()) / 2), std::max(0, (height() - content.height()) / 2));
    if (zoom == m_placedZoom && ratio == m_placedRatio && origin == m_origin)
        return;
    m_origin = origin;
    m_placedZoom = zoom;
    m_placedRatio = ratio;
    placeAll();
    update();
}

void Window::placeAll()
{
    // Every position from the widget's own twips, never from where it was,
    // so nothing drifts from one zoom to the next. A widget in a frame is
    // placed relative to it, and the frame comes first.
    m_style->setZoom(m_placedZoom);
    for (const Placement& placement : m_placements)
        placeWidget(placement);
    for (const Picture& picture : m_pictures)
        showPicture(picture);
}

void Window::placeWidget(const Placement& placement)
{
    QRect rect = TwipScale(m_placedZoom).rect(placement.twips).translated(m_origin);
    if (QWidget* parent = placement.widget->parentWidget(); parent != this)
        rect.translate(-parent->pos());
    placement.widget->setGeometry(rect);
    placement.widget->setFont(zoomedFont(placement.font, m_placedZoom, logicalDpiY()));
    placement.widget->update();
}

void Window::showPicture(const Picture& picture) const
{
    // Nearest-neighbour blocks of whole device pixels: never smoothed.
    const qreal factor = m_placedZoom * m_placedRatio;
    QPixmap pixmap = QPixmap::fromImage(picture.image.scaled(int(std::lround(picture.image.width() * factor)),
        int(std::lround(picture.image.height() * factor)), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(m_placedRatio);
    picture.label->setPixmap(pixmap);
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
    const qreal ratio = m_canvas->devicePixelRatio();
    const QRect content(m_origin, m_canvas->size());
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        // Around a magnified content the margins are the window's grey.
        for (const QRect& margin : QRegion(r).subtracted(content))
            painter.fillRect(margin, QColor(toRgb(grey)));
        const QRect part = r.intersected(content);
        if (part.isEmpty())
            continue;
        const QRect at = part.translated(-m_origin);
        const QRectF source(at.x() * ratio, at.y() * ratio, at.width() * ratio, at.height() * ratio);
        painter.drawImage(QRectF(part), image, source);
    }
}

void Window::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The user's input reaches the window through its window-system window.
    if (QWindow* handle = windowHandle())
        handle->installEventFilter(this);
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
}

bool Window::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_handlerRunning || watched != windowHandle() || !event->isInputEvent())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        // A finger or a pen. No widget of ours takes them: left unaccepted,
        // the toolkit turns them into mouse events at once, as it does when
        // no handler runs, and those wait here like any click. Held whole,
        // they would come back past that step, and be lost.
        event->ignore();
        return true;
    case QEvent::MouseButtonDblClick:
        // The toolkit leaves out the press that made a double click and
        // delivers the double click in its place; so does the queue.
        if (!m_held.empty() && m_held.back().type == QEvent::MouseButtonPress)
            m_held.pop_back();
        break;
    default:
        break;
    }
    holdInput(event);
    return true;
}

void Window::holdInput(const QEvent* event)
{
    // Delivered after the run as if it came then: a click lands on whatever
    // is at its place by then.
    const auto deliver = [this](QEvent& again) {
        if (QWindow* handle = windowHandle())
            QCoreApplication::sendEvent(handle, &again);
    };
    const QEvent::Type type = event->type();
    // A mouse or wheel event is made anew from its values: an event shares
    // its point with the pointer's own, which the next event moves, so a
    // copy kept for later would land where the pointer went next.
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
        const QPointer<const QPointingDevice> device(mouse->pointingDevice());
        m_held.push_back({ type,
            [deliver, type, device, position = mouse->position(), scene = mouse->scenePosition(),
                global = mouse->globalPosition(), button = mouse->button(), buttons = mouse->buttons(),
                modifiers = mouse->modifiers(), source = mouse->source(), time = mouse->timestamp()] {
                QMouseEvent again(type, position, scene, global, button, buttons, modifiers, source,
                    device ? device.data() : QPointingDevice::primaryPointingDevice());
                again.setTimestamp(time);
                deliver(again);
            } });
        return;
    }
    if (const auto* wheel = dynamic_cast<const QWheelEvent*>(event)) {
        const QPointer<const QPointingDevice> device(wheel->pointingDevice());
        m_held.push_back({ type,
            [deliver, device, position = wheel->position(), global = wheel->globalPosition(),
                pixels = wheel->pixelDelta(), angle = wheel->angleDelta(), buttons = wheel->buttons(),
                modifiers = wheel->modifiers(), phase = wheel->phase(), inverted = wheel->inverted(),
                source = wheel->source(), time = wheel->timestamp()] {
                QWheelEvent again(position, global, pixels, angle, buttons, modifiers, phase, inverted, source,
                    device ? device.data() : QPointingDevice::primaryPointingDevice());
                again.setTimestamp(time);
                deliver(again);
            } });
        return;
    }
    // Keys and the rest carry no point: a copy is what came.
    const std::shared_ptr<QEvent> copy(event->clone());
    m_held.push_back({ type, [deliver, copy] { deliver(*copy); } });
}

void Window::closeEvent(QCloseEvent* event)
{
    if (!m_handlerRunning) {
        QWidget::closeEvent(event);
        return;
    }
    // Ignoring the close also cancels an application quit, so the close is
    // asked for again once the handler has ended.
    event->ignore();
    hold([this] { close(); });
}

void Window::setHandlerRunning(bool running)
{
    m_handlerRunning = running;
    if (running)
        return;
    // One at a time, as an action may run a handler, which holds anew; once
    // the window has closed, nothing more is carried out.
    while (!m_held.empty() && !m_handlerRunning && isVisible()) {
        const std::function<void()> action = std::move(m_held.front().action);
        m_held.erase(m_held.begin());
        action();
    }
    if (!isVisible())
        m_held.clear();
    // Input the window system sent since the last frame may still wait in
    // the toolkit; without this the event loop would take it only at the
    // next event.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void Window::presentLater()
{
    const QRect dirty = m_canvas->takeDirty();
    if (!dirty.isEmpty())
        update(dirty.translated(m_origin));
}

WindowUi::WindowUi(Window& window, const QLocale& locale)
    : m_window(window)
    , m_locale(locale)
    , m_pacer([&window] { window.presentNow(); })
{
}

void WindowUi::drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven)
{
    m_window.canvas().line(x1, y1, x2, y2, colourGiven ? colour : foreColour);
    if (m_window.labelShows()) {
        const float r = m_reach;
        m_window.drawn(std::min(x1, x2) - r, std::min(y1, y2) - r, std::max(x1, x2) + r, std::max(y1, y2) + r);
    }
}

void WindowUi::drawCircle(float x, float y, float radius, Colour colour, bool colourGiven)
{
    m_window.canvas().circle(x, y, radius, colourGiven ? colour : foreColour);
    if (m_window.labelShows()) {
        const float r = std::fabs(radius) + m_reach;
        m_window.drawn(x - r, y - r, x + r, y + r);
    }
}

void WindowUi::setDrawWidth(int pixels)
{
    m_window.canvas().setDrawWidth(pixels);
    m_reach = reachOf(pixels);
}

void WindowUi::setFillStyle(int style)
{
    m_window.canvas().setFillStyle(style);
}

void WindowUi::setFillColor(Colour colour)
{
    if (colour > 0xFFFFFF)
        raise(ErrorKind::PropertyValue, QStringLiteral("FillColor"));
    m_window.canvas().setFillColor(colour);
}

void WindowUi::setScaleMode(int mode)
{
    // The surface measures in twips, scale mode 1; no other unit is offered.
    if (mode != 1)
        raise(ErrorKind::PropertyValue, QStringLiteral("ScaleMode %1").arg(mode));
}

void WindowUi::countDown(double decrements)
{
    m_pacer.countDown(decrements);
}

QString WindowUi::text(Field f) const
{
    return field(f)->text();
}

void WindowUi::setText(Field f, const QString& text)
{
    field(f)->setText(text);
}

int WindowUi::value(Bar b) const
{
    return bar(b)->value();
}

void WindowUi::setValue(Bar b, int value)
{
    ScrollBar* scrollBar = bar(b);
    if (value < scrollBar->minimum() || value > scrollBar->maximum())
        raise(ErrorKind::PropertyValue, QStringLiteral("Value %1").arg(value));
    scrollBar->setValue(value); // a change runs the bar's handler inside this call
}

void WindowUi::setMax(Bar b, int max)
{
    if (max < 0 || max > 32767)
        raise(ErrorKind::PropertyValue, QStringLiteral("Max %1").arg(max));
    bar(b)->setMaximum(max);
}

void WindowUi::setVisible(Bar b, bool visible)
{
    bar(b)->setVisible(visible);
}

void WindowUi::select(Option o)
{
    option(o)->setChecked(true); // selecting runs the button's handler inside this call
}

void WindowUi::unload()
{
    m_window.close();
}

void WindowUi::beginHandler()
{
    if (m_depth++ == 0) {
        m_window.setHandlerRunning(true);
        m_pacer.restart();
    }
}

void WindowUi::endHandler()
{
    if (--m_depth == 0) {
        m_pacer.settle();
        m_window.presentLater();
        m_window.setHandlerRunning(false);
    }
}

} // namespace brelon
