// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/accessibleactions.h"

#include "surface/window/window.h"

#include <QPointer>

namespace brelon {

void perform(QWidget* widget, const std::function<void(QWidget*)>& action)
{
    const QPointer<QWidget> target(widget);
    const auto attempt = [target, action] {
        if (target && target->isVisible() && target->isEnabled())
            action(target);
    };
    QMetaObject::invokeMethod(
        widget,
        [target, attempt] {
            auto* window = qobject_cast<Window*>(target->window());
            if (window && window->input().running())
                window->input().hold(attempt);
            else
                attempt();
        },
        Qt::QueuedConnection);
}

void focus(QWidget* widget)
{
    widget->window()->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
}

bool actionable(const QWidget* widget)
{
    return widget->isVisible() && widget->isEnabled();
}

} // namespace brelon
