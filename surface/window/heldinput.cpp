// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/heldinput.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace brelon {

namespace {

/// \brief A mouse event made anew that can carry the toolkit's mark on a
/// press that made a double click.
///
/// The toolkit delivers a double click as the press (marked), the double
/// click and the release. The window routes the marked press, so that its
/// widget takes the double click and the release after it, but does not
/// deliver it: the widget gets the double click in its place. Carried out
/// unmarked, the press would reach the widget twice; left out, the release
/// would reach no widget at all and leave a button down.
class MouseEventAgain : public QMouseEvent {
public:
    using QMouseEvent::QMouseEvent;
    void markAsMakingADoubleClick() { m_doubleClick = 1; }
};

} // namespace

HeldInput::HeldInput(QWidget* window)
    : QObject(window)
    , m_window(window)
{
}

void HeldInput::watch()
{
    if (QWindow* handle = m_window->windowHandle())
        handle->installEventFilter(this);
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_running || watched != m_window->windowHandle() || !event->isInputEvent())
        return QObject::eventFilter(watched, event);
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
    default:
        break;
    }
    holdInput(event);
    return true;
}

void HeldInput::holdInput(const QEvent* event)
{
    // Delivered after the run as if it came then: a click lands on whatever
    // is at its place by then.
    const auto deliver = [window = QPointer<QWidget>(m_window)](QEvent& again) {
        if (QWindow* handle = window ? window->windowHandle() : nullptr)
            QCoreApplication::sendEvent(handle, &again);
    };
    // A mouse or wheel event is made anew from its values: an event shares
    // its point with the pointer's own, which the next event moves, so a
    // copy kept for later would land where the pointer went next.
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
        const QPointer<const QPointingDevice> device(mouse->pointingDevice());
        const bool madeADoubleClick = mouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick);
        m_held.emplace_back(
            [deliver, type = mouse->type(), device, position = mouse->position(), scene = mouse->scenePosition(),
                global = mouse->globalPosition(), button = mouse->button(), buttons = mouse->buttons(),
                modifiers = mouse->modifiers(), source = mouse->source(), time = mouse->timestamp(), madeADoubleClick] {
                MouseEventAgain again(type, position, scene, global, button, buttons, modifiers, source,
                    device ? device.data() : QPointingDevice::primaryPointingDevice());
                again.setTimestamp(time);
                if (madeADoubleClick)
                    again.markAsMakingADoubleClick();
                deliver(again);
            });
        return;
    }
    if (const auto* wheel = dynamic_cast<const QWheelEvent*>(event)) {
        const QPointer<const QPointingDevice> device(wheel->pointingDevice());
        m_held.emplace_back([deliver, device, position = wheel->position(), global = wheel->globalPosition(),
                                pixels = wheel->pixelDelta(), angle = wheel->angleDelta(), buttons = wheel->buttons(),
                                modifiers = wheel->modifiers(), phase = wheel->phase(), inverted = wheel->inverted(),
                                source = wheel->source(), time = wheel->timestamp()] {
            QWheelEvent again(position, global, pixels, angle, buttons, modifiers, phase, inverted, source,
                device ? device.data() : QPointingDevice::primaryPointingDevice());
            again.setTimestamp(time);
            deliver(again);
        });
        return;
    }
    // Keys and the rest carry no point: a copy is what came.
    const std::shared_ptr<QEvent> copy(event->clone());
    m_held.emplace_back([deliver, copy] { deliver(*copy); });
}

void HeldInput::setRunning(bool running)
{
    m_running = running;
    // A handler that an action runs ends inside the loop below, which then
    // goes on with the next action: each is carried out after the one
    // before has been handled to its end, never inside it, as the event
    // loop delivers input when no handler runs.
    if (running || m_carryingOut)
        return;
    const QScopedValueRollback carryingOut(m_carryingOut, true);
    // One at a time, as an action may run a handler, which holds anew; once
    // the window has closed, nothing more is carried out.
    while (!m_held.empty() && !m_running && m_window->isVisible()) {
        const std::function<void()> action = std::move(m_held.front());
        m_held.erase(m_held.begin());
        action();
    }
    if (!m_window->isVisible())
        m_held.clear();
    // Input the window system sent since the last frame may still wait in
    // the toolkit; without this the event loop would take it only at the
    // next event.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

} // namespace brelon
