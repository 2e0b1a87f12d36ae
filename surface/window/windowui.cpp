// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/windowui.h"

#include "surface/window/scrollbar.h"
#include "surface/window/window.h"

#include <QLineEdit>
#include <QRadioButton>

namespace brelon {

namespace {

// The fore colour: black, as no other is stored with the window.
constexpr Colour foreColour = 0x000000;

} // namespace

WindowUi::WindowUi(Window& window, const QLocale& locale)
    : m_window(window)
    , m_locale(locale)
    , m_pacer([&window] { window.presentNow(); })
{
}

QLineEdit* WindowUi::field(Field field) const
{
    return m_window.roles().field(field);
}

ScrollBar* WindowUi::bar(Bar bar) const
{
    return m_window.roles().bar(bar);
}

QRadioButton* WindowUi::option(Option option) const
{
    return m_window.roles().option(option);
}

void WindowUi::drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven)
{
    m_window.canvas().line(x1, y1, x2, y2, colourGiven ? colour : foreColour);
}

void WindowUi::drawCircle(float x, float y, float radius, Colour colour, bool colourGiven)
{
    m_window.canvas().circle(x, y, radius, colourGiven ? colour : foreColour);
}

void WindowUi::applyDrawWidth(int pixels)
{
    m_window.canvas().setDrawWidth(pixels);
}

void WindowUi::applyFillStyle(int style)
{
    m_window.canvas().setFillStyle(style);
}

void WindowUi::applyFillColor(Colour colour)
{
    m_window.canvas().setFillColor(colour);
}

void WindowUi::countDown(double decrements)
{
    m_pacer.countDown(decrements);
}

QString WindowUi::text(Field f) const
{
    return field(f)->text();
}

void WindowUi::setText(Field f, const QString& text)
{
    field(f)->setText(text);
}

int WindowUi::value(Bar b) const
{
    return bar(b)->value();
}

void WindowUi::applyValue(Bar b, int value)
{
    bar(b)->setValue(value); // a change runs the bar's handler inside this call
}

void WindowUi::applyMax(Bar b, int max)
{
    bar(b)->setMaximum(max);
}

int WindowUi::max(Bar b) const
{
    return bar(b)->maximum();
}

void WindowUi::setVisible(Bar b, bool visible)
{
    bar(b)->setVisible(visible);
}

void WindowUi::select(Option o)
{
    option(o)->setChecked(true); // selecting runs the button's handler inside this call
}

void WindowUi::unload()
{
    m_window.close();
}

void WindowUi::beginHandler()
{
    if (m_depth++ == 0) {
        m_window.input().setRunning(true);
        m_pacer.restart();
    }
}

void WindowUi::endHandler()
{
    if (--m_depth == 0) {
        m_pacer.settle();
        m_window.presentLater();
        m_window.input().setRunning(false);
    }
}

} // namespace brelon
