// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/canvas.h"
#include "surface/window/cancelledtouch.h"
#include "surface/window/heldinput.h"
#include "surface/window/magnifier.h"
#include "surface/window/roles.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QScreen;

namespace brelon {

class SurfaceLabel;
class WindowStyle;

/// \brief The main window: its client area is the drawing surface, backed by
/// a persistent image so the picture survives covering, minimising and
/// every other repaint. The child widgets lie above the drawing.
///
/// The window can grow beyond its stored size; its Magnifier places the
/// widgets at the zoom that size gives, and the surface is drawn afresh at
/// it. While a handler runs, what the user does waits in its HeldInput; a
/// touch the system cancels is not carried out (CancelledTouch).
class Window : public QWidget {
    Q_OBJECT
public:
    /// \a clientSize is the client area and \a surfaceSize the drawing
    /// surface, both in pixels at the stored size.
    Window(QSize clientSize, QSize surfaceSize, QWidget* parent = nullptr);
    ~Window() override;

    Canvas& canvas() { return *m_canvas; }
    /// \brief The zoom of the content: 1, or more once the window is larger
    /// than the surface both ways, less when it is smaller than its stored
    /// size (a phone's page).
    double zoom() const { return m_canvas->scale().zoom() * m_shrink; }
    /// \brief Where the content's top left lies in the client area.
    QPoint contentOrigin() const { return m_magnifier.origin(); }
    Magnifier& magnifier() { return m_magnifier; }
    Roles& roles() { return m_roles; }
    const Roles& roles() const { return m_roles; }
    HeldInput& input() { return *m_input; }

    /// \brief Paints \a label's text on the surface at \a twips with \a font
    /// (at the stored size), on grey; the label stops showing once drawing
    /// reaches it.
    void paintLabel(SurfaceLabel* label, const QRect& twips, const QFont& font);

    /// \brief Shows the window as it is now, at once, during a long handler:
    /// it also answers the window system (pings, exposes, resizes, screen
    /// changes), while what the user does waits until the handler has ended.
    void presentNow();
    /// \brief Schedules what was drawn since the last call for the next repaint.
    void presentLater();
    /// \brief Whether presentNow() is answering the window system now.
    bool answeringWindowSystem() const { return m_answering; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    /// Follows the window's size and the screen's ratio: the surface drawn
    /// anew and every widget placed, at the zoom they give.
    void rescale();
    /// Follows the ratio of the screen the window is on.
    void watchScreen();
    /// The surface's size in the window, shrunk where the window is.
    QSize shownSize() const;

    std::unique_ptr<Canvas> m_canvas;
    WindowStyle* m_style;
    Magnifier m_magnifier;
    Roles m_roles;
    HeldInput* m_input;
    CancelledTouch* m_cancelledTouch;
    QPointer<QScreen> m_watchedScreen;
    bool m_answering = false;
    double m_shrink = 1; ///< the zoom, where it is below 1
};

} // namespace brelon
