// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"

#include <QDir>
#include <QFontDatabase>
#include <QWidget>

namespace brelon {

// In the browser the page is the platform: it is always there, and there is
// nothing to refuse.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    auto app = std::make_unique<QApplication>(argc, argv);
    // The faces the layout asks for come with the program (a page sees no
    // fonts of the system): Liberation Sans and Serif, with the letters of
    // Latin, Czech among them.
    for (const QString& face : QDir(QStringLiteral(":/fonts")).entryList(QDir::Files))
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/") + face);
    return app;
}

void showMainWindow(QWidget& window)
{
    // The page is the screen: the window fills it, whatever its size (a
    // phone's is smaller than the stored window), without a frame.
    window.setMinimumSize(0, 0);
    window.showFullScreen();
}

} // namespace brelon
