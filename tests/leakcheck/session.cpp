// SPDX-License-Identifier: GPL-3.0-or-later

// A whole session without a user, for the leak checkers: start-up, a click on
// every structure, one Start with two openings and no slowdown, then "Konec",
// and out through the event loop as the program leaves it. Exits 0 only when
// every step did what it should.

#include "app/program.h"
#include "surface/window/window.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace brelon;

namespace {

/// Prints an error and lets the session go on, so the way out stays the normal one.
class PrintingSink : public ErrorSink {
public:
    int errors = 0;
    void fail(const QString& message) override
    {
        std::fprintf(stderr, "brelon-session: error: %s\n", qPrintable(message));
        ++errors;
    }
};

int failures = 0;

void expect(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "brelon-session: not as expected: %s\n", what);
        ++failures;
    }
}

void session(Program& program)
{
    WindowUi& ui = program.ui();
    Window& window = program.window();
    // Four openings are selected at start-up: every click below moves the selection.
    for (Option option : { Option::Op20, Option::Op3, Option::Op4, Option::Op2 })
        ui.option(option)->click();
    expect(ui.text(Field::Ndirek) == QStringLiteral("2"), "two openings selected last");
    expect(ui.text(Field::Kmitocet) == QStringLiteral("20"), "frequency reset to 20");

    ui.setText(Field::Spomaleni, QStringLiteral("0"));
    window.findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
    expect(ui.pacer().decrements() == 0, "no pause at slowdown 0");
    expect(ui.text(Field::RelKmitocet) == QStringLiteral("3.18"), "relative frequency refreshed");

    window.findChild<QPushButton*>(QStringLiteral("cmdKonec"))->click();
    expect(!window.isVisible(), "Konec closes the window");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    PrintingSink sink;
    int status = 0;
    {
        Program program(&sink, QLocale::c());
        program.start();
        QTimer::singleShot(0, &program.window(), [&program] { session(program); });
        // Closing the last window ends the loop; nothing else does.
        status = QApplication::exec();
    }
    expect(status == 0, "the event loop ends with status 0");
    expect(sink.errors == 0, "no error reached the sink");
    if (failures == 0)
        std::puts("brelon-session: session complete");
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
