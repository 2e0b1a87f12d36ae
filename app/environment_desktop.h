// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What opening the application differs in between the desktop platforms:
// environment_linux.cpp and environment_windows.cpp. The rest of the
// desktop's opening is environment_desktop.cpp.

#include <QByteArrayView>
#include <QString>

namespace brelon::desktop {

/// \brief Says \a line (why the program cannot start) where the user sees
/// it: on standard error; on Windows, started without one (from the
/// desktop), in a message box.
void sayRefusal(const QString& line);

/// \brief Whether the toolkit can find the platform the user chose (with
/// -platform or QT_QPA_PLATFORM), if any. Where it cannot, it would show a
/// message of its own, so the program refuses beforehand.
bool platformAvailable(int argc, char** argv);

/// \brief The line saying which window system could not be opened, and what
/// to do about it.
QString cannotOpenLine(int argc, char** argv);

/// \brief The value of the last `-name VALUE` (or `--name VALUE`) in the
/// arguments, read the way the toolkit reads its own options; \a name
/// includes the dash.
QString option(int argc, char** argv, QByteArrayView name);

} // namespace brelon::desktop
