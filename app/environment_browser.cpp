// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"

#include <QDir>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QWidget>

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

namespace brelon {

namespace {

/// \brief Ends the program when the application quits (Konec closes the
/// window, the last one): in the page the toolkit's main loop never returns
/// to main(), whose return ends the program on a desktop. The page hears of
/// the end and says so.
class EndOnQuit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            endProgram(EXIT_SUCCESS);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// In the browser the page is the platform: it is always there, and there is
// nothing to refuse.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    auto app = std::make_unique<QApplication>(argc, argv);
    app->installEventFilter(new EndOnQuit(app.get()));
    // The faces the layout asks for come with the program (a page sees no
    // fonts of the system): Liberation Sans and Serif, with the letters of
    // Latin, Czech among them.
    for (const QString& face : QDir(QStringLiteral(":/fonts")).entryList(QDir::Files))
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/") + face);
    // The toolkit's own face is not brought along: a message box speaks in
    // the window's sans serif.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans")));
    return app;
}

void endProgram(int status)
{
    std::fflush(nullptr);
    // The runtime is kept alive while the toolkit's loop runs: ending it
    // anyway is what tells the page.
    emscripten_force_exit(status);
}

void showMainWindow(QWidget& window)
{
    // The page is the screen: the window fills it, whatever its size (a
    // phone's is smaller than the stored window), without a frame.
    window.setMinimumSize(0, 0);
    window.showFullScreen();
}

} // namespace brelon
