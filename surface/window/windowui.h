// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/ui.h"
#include "surface/drawing/pacer.h"

#include <QLocale>

class QLineEdit;
class QRadioButton;

namespace brelon {

class ScrollBar;
class Window;

/// \brief The handlers' view of the window: its surface and the widgets of
/// its roles.
class WindowUi : public Ui {
public:
    explicit WindowUi(Window& window, const QLocale& locale = QLocale());

    void countDown(double decrements) override;

    QString text(Field field) const override;
    void setText(Field field, const QString& text) override;
    int value(Bar bar) const override;
    void setVisible(Bar bar, bool visible) override;
    void select(Option option) override;
    void unload() override;
    QLocale locale() const override { return m_locale; }

    /// \brief Called when a top-level handler starts and ends: a drawing run
    /// paces itself from the start, and what it drew is shown at the end.
    void beginHandler();
    void endHandler();

    Window& window() { return m_window; }
    Pacer& pacer() { return m_pacer; }
    QLineEdit* field(Field field) const;
    ScrollBar* bar(Bar bar) const;
    QRadioButton* option(Option option) const;

protected:
    void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven) override;
    void drawCircle(float x, float y, float radius, Colour colour, bool colourGiven) override;
    void applyDrawWidth(int pixels) override;
    void applyFillStyle(int style) override;
    void applyFillColor(Colour colour) override;
    void applyValue(Bar bar, int value) override;
    void applyMax(Bar bar, int max) override;
    int max(Bar bar) const override;

private:
    Window& m_window;
    QLocale m_locale;
    Pacer m_pacer;
    int m_depth = 0;
};

} // namespace brelon
