// SPDX-License-Identifier: GPL-3.0-or-later

// brelon-failing: Brelon in the browser whose frequency field holds a text
// the number rules refuse, so the first "Start" fails. The error takes the
// program's own way out (its message box, then the end of the program), and
// tests/web/site.js watches the page say so.

#include "app/environment.h"
#include "app/program.h"

int main(int argc, char* argv[])
{
    const std::unique_ptr<QApplication> app = brelon::openApplication(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    brelon::Program program;
    program.start();
    program.ui().setText(brelon::Field::Kmitocet, QStringLiteral("abc"));
    return QApplication::exec();
}
