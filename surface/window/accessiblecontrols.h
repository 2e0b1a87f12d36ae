// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessible>

class QAbstractButton;
class QGroupBox;
class QWidget;

namespace brelon {

class ScrollBar;

/// \brief The main window: a frame, named by its title.
QAccessibleInterface* accessibleWindow(QWidget* window);
/// \brief The structure frame: its option buttons in the order they stand
/// on screen, whichever lies above the others' edges.
QAccessibleInterface* accessibleFrame(QGroupBox* frame);
/// \brief A push button or an option button: "Press" or "Toggle" is a click.
QAccessibleInterface* accessibleButton(QAbstractButton* button);
/// \brief A scroll bar: its value, and "Increase" and "Decrease" as a click
/// on its arrows.
QAccessibleInterface* accessibleScrollBar(ScrollBar* bar);

} // namespace brelon
