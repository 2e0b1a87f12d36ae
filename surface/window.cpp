#include "surface/window.h"

#include "surface/errors.h"
#include "surface/scrollbar.h"
#include "surface/vectorstate.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>

#include <cmath>

namespace brelon {

namespace {

// The fore colour: black, as no other is stored with the window.
constexpr Colour foreColour = 0x000000;

template <typename T> T* child(Window& window, const QString& name)
{
    T* widget = window.findChild<T*>(name);
    if (!widget)
        qFatal("the window has no widget %s", qPrintable(name));
    return widget;
}

} // namespace

QString objectName(Field field)
{
    switch (field) {
    case Field::Kmitocet:
        return QStringLiteral("nKmitočet");
    case Field::RelKmitocet:
        return QStringLiteral("nRelKmitočet");
    case Field::Ndirek:
        return QStringLiteral("nNdirek");
    case Field::Spomaleni:
        return QStringLiteral("nSpomaleni");
    }
    return {};
}

QString objectName(Bar bar)
{
    switch (bar) {
    case Bar::Kmitocet:
        return QStringLiteral("HScrollKmitočet");
    case Bar::Kmitocet20:
        return QStringLiteral("HScrollKmitocet20");
    case Bar::Spomaleni:
        return QStringLiteral("HScrollSpomaleni");
    }
    return {};
}

QString objectName(Option option)
{
    switch (option) {
    case Option::Op2:
        return QStringLiteral("op2");
    case Option::Op3:
        return QStringLiteral("op3Dirky");
    case Option::Op4:
        return QStringLiteral("op4Dírky");
    case Option::Op20:
        return QStringLiteral("op20");
    }
    return {};
}

Window::Window(QSize clientSize, QWidget* parent)
    : QWidget(parent)
    , m_canvas(std::make_unique<Canvas>(clientSize))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setFixedSize(clientSize);
    // Drawing made before the window is first shown is not kept.
    m_canvas->setEnabled(false);
}

Window::~Window() = default;

void Window::followDevicePixelRatio()
{
    m_canvas->setDevicePixelRatio(devicePixelRatioF());
}

void Window::paintEvent(QPaintEvent* event)
{
    followDevicePixelRatio();
    const QImage& image = m_canvas->image();
    const qreal ratio = m_canvas->devicePixelRatio();
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        const QRectF source(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
        painter.drawImage(QRectF(r), image, source);
    }
}

void Window::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    followDevicePixelRatio();
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
    followDevicePixelRatio();
}

void Window::presentNow()
{
    // The window system's own events: a window manager's ping is answered,
    // an expose or a resize is taken. Buttons, keys and the close request
    // stay queued, in their order, until the event loop runs again.
    m_answering = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_answering = false;
    // The whole window: a part that another window uncovered meanwhile is
    // restored at once, not only when the run is over.
    m_canvas->takeDirty();
    repaint();
    clearUpperVectorState();
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
        const std::function<void()> action = std::move(m_held.front());
        m_held.erase(m_held.begin());
        action();
    }
    if (!isVisible())
        m_held.clear();
    // Input the window system delivered meanwhile is queued in the toolkit;
    // without this the event loop would take it only at the next event.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void Window::presentLater()
{
    const QRect dirty = m_canvas->takeDirty();
    if (!dirty.isEmpty())
        update(dirty);
}

WindowUi::WindowUi(Window& window, const QLocale& locale)
    : m_window(window)
    , m_locale(locale)
    , m_pacer([&window] { window.presentNow(); })
{
    for (Field f : { Field::Kmitocet, Field::RelKmitocet, Field::Ndirek, Field::Spomaleni })
        m_fields[size_t(f)] = child<QLineEdit>(window, objectName(f));
    for (Bar b : { Bar::Kmitocet, Bar::Kmitocet20, Bar::Spomaleni })
        m_bars[size_t(b)] = child<ScrollBar>(window, objectName(b));
    for (Option o : { Option::Op2, Option::Op3, Option::Op4, Option::Op20 })
        m_options[size_t(o)] = child<QRadioButton>(window, objectName(o));
}

void WindowUi::drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven)
{
    m_window.canvas().line(x1, y1, x2, y2, colourGiven ? colour : foreColour);
}

void WindowUi::drawCircle(float x, float y, float radius, Colour colour, bool colourGiven)
{
    m_window.canvas().circle(x, y, radius, colourGiven ? colour : foreColour);
}

void WindowUi::setDrawWidth(int pixels)
{
    m_window.canvas().setDrawWidth(pixels);
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
