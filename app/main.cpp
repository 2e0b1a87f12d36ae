// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"
#include "app/program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const std::unique_ptr<QApplication> app = brelon::openApplication(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    brelon::Program program;
    program.start();
    return QApplication::exec();
}
