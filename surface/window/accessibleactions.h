// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

class QWidget;

namespace brelon {

/// \brief Carries out what assistive technology asked of \a widget as the
/// user's own input is: from the event loop, after the request has been
/// answered (so the screen reader does not wait for the handler it runs);
/// while a handler of the window runs, after the run, in order with the
/// user's other input; against the widget as it is then, and never on a
/// hidden or disabled one.
void perform(QWidget* widget, const std::function<void(QWidget*)>& action);

/// \brief Gives the keyboard focus to \a widget, in the window brought to the front.
void focus(QWidget* widget);

/// \brief Whether \a widget can be acted on at all now: shown and enabled.
bool actionable(const QWidget* widget);

} // namespace brelon
