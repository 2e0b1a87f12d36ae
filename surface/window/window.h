// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/canvas.h"
#include "surface/drawing/pacer.h"
#include "surface/core/ui.h"

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScreen;

namespace brelon {

class ScrollBar;
class SurfaceLabel;
class WindowStyle;

/// The push buttons that run handlers.
enum class Button { Start, Konec };

/// \brief The main window: its client area is the drawing surface, backed by
/// a persistent image so the picture survives covering, minimising and
/// every other repaint. The child widgets lie above the drawing.
///
/// The window can grow beyond its stored size. Up to the surface's width it
/// shows more of the surface at 1:1; beyond, the whole content (the surface
/// and every widget, its font and the style's sizes) is magnified by the
/// zoom min(width / surface width, height / surface height), centred, and
/// drawn afresh at that size.
class Window : public QWidget {
    Q_OBJECT
public:
    /// \a clientSize is the client area and \a surfaceSize the drawing
    /// surface, both in pixels at the stored size.
    Window(QSize clientSize, QSize surfaceSize, QWidget* parent = nullptr);
    ~Window() override;

    Canvas& canvas() { return *m_canvas; }
    /// \brief The zoom of the content: 1, or more once the window is larger
    /// than the surface both ways.
    double zoom() const { return m_canvas->scale().zoom(); }
    /// \brief Where the content's top left lies in the client area.
    QPoint contentOrigin() const { return m_origin; }

    /// \brief Places \a widget at \a twips of the client area with \a font,
    /// both at the stored size; the window magnifies them with itself.
    void place(QWidget* widget, const QRect& twips, const QFont& font);
    /// \brief Shows \a picture in \a label, magnified in whole-pixel blocks.
    void showPicture(QLabel* label, const QImage& picture);
    /// \brief Paints \a label's text on the surface at \a twips with \a font
    /// (at the stored size), on grey; drawing that reaches it covers it.
    void paintLabel(SurfaceLabel* label, const QRect& twips, const QFont& font);
    /// \brief Whether the label painted on the surface still shows: no
    /// drawing has reached it yet.
    bool labelShows() const { return m_label != nullptr; }
    /// \brief Notes drawing that may paint within the twips from \a left,
    /// \a top to \a right, \a bottom of the surface. Runs for every
    /// primitive until the label is covered, so it only compares.
    void drawn(float left, float top, float right, float bottom)
    {
        if (m_label && left <= m_labelTwips.right() && right >= m_labelTwips.left() && top <= m_labelTwips.bottom()
            && bottom >= m_labelTwips.top())
            coverLabel();
    }

    void bind(Field role, QLineEdit* widget) { m_fields[size_t(role)] = widget; }
    void bind(Bar role, ScrollBar* widget) { m_bars[size_t(role)] = widget; }
    void bind(Option role, QRadioButton* widget) { m_options[size_t(role)] = widget; }
    void bind(Button role, QPushButton* widget) { m_buttons[size_t(role)] = widget; }
    /// \brief Whether every field, bar, option and button has its widget.
    bool complete() const;
    QLineEdit* field(Field role) const { return m_fields[size_t(role)]; }
    ScrollBar* bar(Bar role) const { return m_bars[size_t(role)]; }
    QRadioButton* option(Option role) const { return m_options[size_t(role)]; }
    QPushButton* button(Button role) const { return m_buttons[size_t(role)]; }

    /// \brief Shows the window as it is now, at once, during a long handler:
    /// it also answers the window system (pings, exposes, resizes, screen
    /// changes), while what the user does waits until the handler has ended.
    void presentNow();
    /// \brief Schedules what was drawn since the last call for the next repaint.
    void presentLater();

    /// \brief Whether presentNow() is answering the window system now.
    bool answeringWindowSystem() const { return m_answering; }
    /// \brief While a handler runs, what the user does to the window (input,
    /// a close request) and \a held actions wait in one queue; when it has
    /// ended they are carried out in the order they came.
    void setHandlerRunning(bool running);
    bool handlerRunning() const { return m_handlerRunning; }
    void hold(std::function<void()> action) { m_held.push_back({ QEvent::None, std::move(action) }); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        QWidget* widget;
        QRect twips;
        QFont font;
    };
    struct Picture {
        QLabel* label;
        QImage image;
    };
    /// Follows the window's size and the screen's ratio: the surface drawn
    /// anew and every widget placed, at the zoom they give.
    void rescale();
    /// Follows the ratio of the screen the window is on.
    void watchScreen();
    void placeAll();
    void placeWidget(const Placement& placement);
    void showPicture(const Picture& picture) const;
    void coverLabel();
    /// Keeps \a event, input to the window, to be carried out after the run.
    void holdInput(const QEvent* event);

    std::unique_ptr<Canvas> m_canvas;
    QSize m_surfaceSize;
    QPoint m_origin;
    WindowStyle* m_style;
    std::vector<Placement> m_placements;
    std::vector<Picture> m_pictures;
    SurfaceLabel* m_label = nullptr; ///< until drawing covers it
    QRectF m_labelTwips; ///< its edges, as compared
    double m_placedZoom = 1;
    qreal m_placedRatio = 1;
    QPointer<QScreen> m_watchedScreen;
    std::array<QLineEdit*, 4> m_fields {};
    std::array<ScrollBar*, 3> m_bars {};
    std::array<QRadioButton*, 4> m_options {};
    std::array<QPushButton*, 2> m_buttons {};

    bool m_answering = false;
    bool m_handlerRunning = false;
    struct Held {
        QEvent::Type type; ///< the input event held, or None for an action
        std::function<void()> action;
    };
    std::vector<Held> m_held;
};

/// \brief The handlers' view of the window (the widget and drawing operations).
class WindowUi : public Ui {
public:
    explicit WindowUi(Window& window, const QLocale& locale = QLocale());

    void setDrawWidth(int pixels) override;
    void setFillStyle(int style) override;
    void setFillColor(Colour colour) override;
    void setScaleMode(int mode) override;
    void countDown(double decrements) override;

    QString text(Field field) const override;
    void setText(Field field, const QString& text) override;
    int value(Bar bar) const override;
    void setValue(Bar bar, int value) override;
    void setMax(Bar bar, int max) override;
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
    QLineEdit* field(Field field) const { return m_window.field(field); }
    ScrollBar* bar(Bar bar) const { return m_window.bar(bar); }
    QRadioButton* option(Option option) const { return m_window.option(option); }

protected:
    void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven) override;
    void drawCircle(float x, float y, float radius, Colour colour, bool colourGiven) override;

private:
    /// How far drawing with a pen of \a pixels may reach beyond the
    /// coordinates it was given, in twips: half the pen, and the pixel a
    /// coordinate snaps to, at the stored size.
    static float reachOf(int pixels) { return (float(pixels) / 2 + 1) * float(TwipScale::twipsPerPixel); }

    Window& m_window;
    QLocale m_locale;
    Pacer m_pacer;
    int m_depth = 0;
    float m_reach = reachOf(1);
};

} // namespace brelon
