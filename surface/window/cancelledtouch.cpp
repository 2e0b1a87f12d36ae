// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/cancelledtouch.h"

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace brelon {

CancelledTouch::CancelledTouch(QWidget* window)
    : QObject(window)
    , m_window(window)
{
}

void CancelledTouch::watch()
{
    if (QWindow* handle = m_window->windowHandle())
        handle->installEventFilter(this);
}

bool CancelledTouch::endsACancelledTouch(const QMouseEvent& event)
{
    // A finger's own lift comes marked as made from a touch; a pen's, made
    // from a tablet event, comes unmarked, but from a pen.
    const QPointingDevice* device = event.pointingDevice();
    return event.type() == QEvent::MouseButtonRelease && event.source() == Qt::MouseEventNotSynthesized
        && device != nullptr
        && (device->type() == QInputDevice::DeviceType::TouchScreen
            || device->type() == QInputDevice::DeviceType::TouchPad);
}

bool CancelledTouch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window->windowHandle() || event->type() != QEvent::MouseButtonRelease
        || !endsACancelledTouch(*static_cast<const QMouseEvent*>(event)))
        return QObject::eventFilter(watched, event);
    const auto* release = static_cast<const QMouseEvent*>(event);
    // A thumb dragged by the touch goes back: the value it reports when
    // released is the one it had.
    for (QAbstractSlider* slider : m_window->findChildren<QAbstractSlider*>()) {
        if (slider->isSliderDown())
            slider->setSliderPosition(slider->value());
    }
    // The pressed widget takes the release wherever it is made; one pixel
    // above and left of the window no widget lies, so nothing is clicked.
    const QPointF outside(-1, -1);
    QMouseEvent ended(QEvent::MouseButtonRelease, outside, outside, m_window->mapToGlobal(outside), release->button(),
        release->buttons(), release->modifiers(), Qt::MouseEventSynthesizedByApplication, release->pointingDevice());
    ended.setTimestamp(release->timestamp());
    QCoreApplication::sendEvent(watched, &ended);
    return true;
}

} // namespace brelon
