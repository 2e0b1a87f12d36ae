// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Shared pieces of the widget tests: a sink that records errors instead of
// ending the process, and a shown program on the offscreen platform.

#include "app/program.h"
#include "surface/drawing/canvas.h"

#include <QApplication>
#include <QStringList>
#include <QTest>

#include <memory>

namespace brelon::test {

class RecordingSink : public ErrorSink {
public:
    QStringList messages;
    void fail(const QString& message) override { messages << message; }
};

struct ShownProgram {
    RecordingSink sink;
    std::unique_ptr<Program> program;

    explicit ShownProgram(const QLocale& locale = QLocale::c())
        : program(std::make_unique<Program>(&sink, locale))
    {
        program->start();
        QVERIFY(QTest::qWaitForWindowExposed(&program->window()));
    }
    Window& window() const { return program->window(); }
    WindowUi& ui() const { return program->ui(); }
    Canvas& canvas() const { return program->window().canvas(); }
    template <typename Handler> void run(Handler handler) { program->run(handler); }
};

/// The widget of the window named \a name; there must be one.
template <typename T = QWidget> T* widget(QWidget& window, const QString& name)
{
    T* w = window.findChild<T*>(name);
    if (!w)
        qFatal("no widget %s", qPrintable(name));
    return w;
}

/// The colour of a logical pixel of the surface.
inline QRgb surfacePixel(Canvas& canvas, int x, int y)
{
    return canvas.image().pixel(x, y) & 0xFFFFFF;
}

inline constexpr QRgb greyRgb = 0xC0C0C0;
inline constexpr QRgb blackRgb = 0x000000;
inline constexpr QRgb whiteRgb = 0xFFFFFF;

} // namespace brelon::test

/// Every widget test runs with the same style and fonts.
#define BRELON_WIDGET_TEST_MAIN(TestClass)                                                                             \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setStyle(QStringLiteral("Fusion"));                                                              \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
