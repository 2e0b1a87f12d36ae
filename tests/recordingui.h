// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A Ui that keeps the widgets' state in memory and records every drawing
// operation, so handlers can be run and observed without a window. Puts that
// change a scroll bar's value or select an option run the connected handler
// nested inside the put, as the window does. Or one that draws into a
// surface of its own.

#include "surface/core/countdown.h"
#include "surface/core/ui.h"

#include <QSize>

#include <array>
#include <functional>
#include <vector>

namespace brelon::test {

struct Op {
    enum Kind { Line, Circle, DrawWidth, FillStyle, FillColor, ScaleMode, CountDown, SetText } kind = Line;
    float a = 0, b = 0, c = 0, d = 0; // line end points or circle centre and radius
    Colour colour = 0;
    bool hasColour = false;
    int width = 1; // DrawWidth in force
    double count = 0;
    Field field = Field::Kmitocet;
    QString text;
};

class RecordingUi : public Ui {
public:
    using Handler = std::function<void(Ui&)>;

    std::array<QString, 4> fields;
    std::array<int, 3> values {};
    std::array<int, 3> maxima { 180, 10, 10000 };
    std::array<bool, 3> visible { true, true, true };
    int selected = -1;
    std::array<Handler, 3> onChange;
    std::array<Handler, 4> onClick;
    std::vector<Op> ops;
    int drawWidth = 1;
    int fillStyle = 1;
    Colour fillColor = 0;
    bool unloaded = false;
    QLocale userLocale = QLocale::c();

    void applyDrawWidth(int pixels) override
    {
        drawWidth = pixels;
        ops.push_back(make(Op::DrawWidth, float(pixels)));
    }
    void applyFillStyle(int style) override
    {
        fillStyle = style;
        ops.push_back(make(Op::FillStyle, float(style)));
    }
    void applyFillColor(Colour colour) override
    {
        fillColor = colour;
        Op op = make(Op::FillColor);
        op.colour = colour;
        op.hasColour = true;
        ops.push_back(op);
    }
    void applyScaleMode(int mode) override { ops.push_back(make(Op::ScaleMode, float(mode))); }
    void countDown(double decrements) override
    {
        Op op = make(Op::CountDown);
        op.count = decrements;
        countDownSteps(decrements); // the same limits as the window
        ops.push_back(op);
    }
    QString text(Field field) const override { return fields[size_t(field)]; }
    void setText(Field field, const QString& text) override
    {
        fields[size_t(field)] = text;
        Op op = make(Op::SetText);
        op.field = field;
        op.text = text;
        ops.push_back(op);
    }
    int value(Bar bar) const override { return values[size_t(bar)]; }
    void applyValue(Bar bar, int value) override
    {
        if (values[size_t(bar)] == value)
            return;
        values[size_t(bar)] = value;
        if (onChange[size_t(bar)])
            onChange[size_t(bar)](*this);
    }
    void applyMax(Bar bar, int max) override { maxima[size_t(bar)] = max; }
    int max(Bar bar) const override { return maxima[size_t(bar)]; }
    void setVisible(Bar bar, bool v) override { visible[size_t(bar)] = v; }
    void select(Option option) override
    {
        if (selected == int(option))
            return;
        selected = int(option);
        if (onClick[size_t(option)])
            onClick[size_t(option)](*this);
    }
    void unload() override { unloaded = true; }
    QLocale locale() const override { return userLocale; }

    long long count(Op::Kind kind) const
    {
        return std::count_if(ops.begin(), ops.end(), [kind](const Op& op) { return op.kind == kind; });
    }

protected:
    Op make(Op::Kind kind, float a = 0, float b = 0, float c = 0, float d = 0) const
    {
        Op op;
        op.kind = kind;
        op.a = a;
        op.b = b;
        op.c = c;
        op.d = d;
        op.width = drawWidth;
        return op;
    }

    void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven) override
    {
        Op op = make(Op::Line, x1, y1, x2, y2);
        op.colour = colour;
        op.hasColour = colourGiven;
        ops.push_back(op);
    }
    void drawCircle(float x, float y, float radius, Colour colour, bool colourGiven) override
    {
        Op op = make(Op::Circle, x, y, radius);
        op.colour = colour;
        op.hasColour = colourGiven;
        ops.push_back(op);
    }
};

// The handlers' drawing sent to a surface of its own (a Canvas or a Raster)
// in the fore colour or the one given, the widgets kept in memory.
template <typename Surface> struct SurfaceUi : RecordingUi {
    Surface surface;
    explicit SurfaceUi(QSize size, qreal ratio = 1.0)
        : surface(size, ratio)
    {
    }
    void applyDrawWidth(int pixels) override { surface.setDrawWidth(pixels); }
    void applyFillStyle(int style) override { surface.setFillStyle(style); }
    void applyFillColor(Colour colour) override { surface.setFillColor(colour); }

protected:
    void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool) override
    {
        surface.line(x1, y1, x2, y2, colour);
    }
    void drawCircle(float x, float y, float radius, Colour colour, bool) override
    {
        surface.circle(x, y, radius, colour);
    }
};

} // namespace brelon::test
