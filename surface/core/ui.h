// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace brelon {

/// Colour as 0x00BBGGRR.
using Colour = std::uint32_t;
inline constexpr Colour grey = 0xC0C0C0;
inline constexpr Colour white = 0xFFFFFF;

/// The text fields that hold the parameters handed between the handlers.
enum class Field { Kmitocet, RelKmitocet, Ndirek, Spomaleni };
/// The three horizontal scroll bars.
enum class Bar { Kmitocet, Kmitocet20, Spomaleni };
/// The four option buttons of the structure frame.
enum class Option { Op2, Op3, Op4, Op20 };

/// \brief Everything a handler may do to the window: drawing on the client
/// area in twips and the few widget properties it reads and writes.
///
/// Widget puts behave like the toolkit's property writes: a put that changes
/// a scroll bar's value or selects an unselected option button runs that
/// widget's handler nested inside the put; a put that changes nothing runs
/// nothing. Errors are raised as brelon::Error.
class Ui {
public:
    virtual ~Ui() = default;

    // Drawing surface. Coordinates in twips, single precision.
    // Without a colour argument a line or circle is drawn in the fore colour.
    void line(float x1, float y1, float x2, float y2) { drawLine(x1, y1, x2, y2, 0, false); }
    void line(float x1, float y1, float x2, float y2, Colour colour) { drawLine(x1, y1, x2, y2, colour, true); }
    void circle(float x, float y, float radius) { drawCircle(x, y, radius, 0, false); }
    void circle(float x, float y, float radius, Colour colour) { drawCircle(x, y, radius, colour, true); }

    // Property puts. Each checks its value here, for the window and for any
    // other Ui alike; a value out of range raises PropertyValue.
    void setDrawWidth(int pixels); ///< 1 to int16Max pixels
    void setFillStyle(int style); ///< 0 solid, 1 transparent, 2 to 7 hatched
    void setFillColor(Colour colour); ///< 0x000000 to 0xFFFFFF
    void setScaleMode(int mode); ///< 1: twips, the only unit the surface has
    /// \brief The slowdown count-down after a column: \a decrements steps of a
    /// fixed 100 ns each. Shows the drawing's progress while it waits.
    virtual void countDown(double decrements) = 0;

    // Widgets.
    virtual QString text(Field field) const = 0;
    virtual void setText(Field field, const QString& text) = 0;
    virtual int value(Bar bar) const = 0;
    void setValue(Bar bar, int value); ///< 0 to the bar's Max
    void setMax(Bar bar, int max); ///< 0 to int16Max
    virtual void setVisible(Bar bar, bool visible) = 0;
    virtual void select(Option option) = 0;
    /// \brief Unloads the window: the program ends.
    virtual void unload() = 0;

    /// \brief The user's locale, whose decimal separator the number rules use.
    virtual QLocale locale() const = 0;

protected:
    // The colour and whether it was given travel as two plain values, which
    // the hot drawing loops pass in registers.
    virtual void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven) = 0;
    virtual void drawCircle(float x, float y, float radius, Colour colour, bool colourGiven) = 0;

    // The puts, once their values are checked.
    virtual void applyDrawWidth(int pixels) = 0;
    virtual void applyFillStyle(int style) = 0;
    virtual void applyFillColor(Colour colour) = 0;
    virtual void applyScaleMode(int) { }
    /// A put that changes a scroll bar's value runs its handler inside it.
    virtual void applyValue(Bar bar, int value) = 0;
    virtual void applyMax(Bar bar, int max) = 0;
    /// The bar's Max now, which bounds a Value put.
    virtual int max(Bar bar) const = 0;
};

} // namespace brelon
