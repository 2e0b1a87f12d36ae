// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QApplication>

#include <memory>

namespace brelon {

/// \brief Creates the application object, or ends the process with one line on
/// standard error and exit status 1: when QT_SCALE_FACTOR is not a number from
/// 0.5 to 8, or when the window system (platform and display, from -platform,
/// -display, QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY) cannot be opened. The
/// toolkit would abort in the second case. On Windows, a program started
/// without a standard error (from the desktop) shows the line in a message
/// box instead. \a argc and \a argv must outlive the application object.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv);

/// \brief Shows the program's main window \a window: at its size on a
/// desktop; in the browser over the whole page, the browser's screen.
void showMainWindow(QWidget& window);

/// \brief Ends the program at once with \a status, what it wrote flushed:
/// the process on a desktop; in the browser the program, and the page hears
/// of it.
[[noreturn]] void endProgram(int status);

} // namespace brelon
