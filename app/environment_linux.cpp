// SPDX-License-Identifier: GPL-3.0-or-later

// Opening the application on Linux (and other systems with X or Wayland).

#include "app/environment_desktop.h"

#include <QStringList>

#include <cstdio>

namespace brelon {

void desktop::sayRefusal(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stderr);
}

bool desktop::platformAvailable(int /*argc*/, char** /*argv*/)
{
    // The toolkit loads its platforms from plugins: one it lacks, or cannot
    // open, ends in the fatal message that cannotOpenLine() replaces.
    return true;
}

// The platform the user chose, else the displays the toolkit tries by itself
// (Wayland when WAYLAND_DISPLAY is set, then X).
QString desktop::cannotOpenLine(int argc, char** argv)
{
    const QString displayOption = option(argc, argv, "-display");
    const QString x = displayOption.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayOption;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    QString platform = option(argc, argv, "-platform");
    QString source = QStringLiteral("-platform");
    if (platform.isEmpty()) {
        platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        source = QStringLiteral("QT_QPA_PLATFORM");
    }

    QString what;
    if (!platform.isEmpty()) {
        what = QStringLiteral("the platform \"%1\" (%2)").arg(platform, source);
        QString display;
        if (platform.startsWith(u"wayland"))
            display = wayland.isEmpty() ? QStringLiteral("wayland-0") : wayland;
        else if (platform.startsWith(u"xcb"))
            display = x;
        if (!display.isEmpty())
            what += QStringLiteral(" on the display \"%1\"").arg(display);
    } else {
        QStringList displays;
        if (!wayland.isEmpty())
            displays << QStringLiteral("the Wayland display \"%1\"").arg(wayland);
        if (!x.isEmpty())
            displays << QStringLiteral("the X display \"%1\"").arg(x);
        what = displays.join(u" nor ");
    }
    // A platform set in the environment would follow the program into xvfb-run.
    const QString command = source == u"QT_QPA_PLATFORM" && !platform.isEmpty()
        ? QStringLiteral("QT_QPA_PLATFORM=xcb xvfb-run -a brelon")
        : QStringLiteral("xvfb-run -a brelon");
    const QString failed = what.isEmpty() ? QStringLiteral("brelon: no display to open the window on")
                                          : QStringLiteral("brelon: cannot open ") + what;
    return failed + QStringLiteral("; without a desktop run it as: ") + command;
}

} // namespace brelon
