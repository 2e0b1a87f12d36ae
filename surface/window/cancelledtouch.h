// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QMouseEvent;
class QWidget;

namespace brelon {

/// \brief A touch that the system took over ends without being carried out.
///
/// A browser or a system cancels a touch when it takes the gesture over (an
/// edge swipe, a palm on the screen, a touch that became a scroll). The
/// toolkit then ends the mouse press it made of the touch with a release at
/// the touch's last place, which would complete a tap there: an option
/// chosen, a button clicked, a dragged thumb's value reported. Here that
/// release only ends the press: a thumb held by it goes back to its value,
/// and the release reaches the pressed widget from outside the window, where
/// it clicks nothing. Nothing stays pressed and no widget keeps the mouse.
class CancelledTouch : public QObject {
    Q_OBJECT
public:
    explicit CancelledTouch(QWidget* window);

    /// \brief Watches the window's window-system window. Call it before
    /// HeldInput::watch(): the filter installed last sees an event first, so
    /// a release held during a run is changed here when it is carried out.
    void watch();

    /// \brief Whether \a event is the release that ends a cancelled touch:
    /// the toolkit's own, from a touch device but not marked as made from a
    /// touch, as a finger's lift is.
    static bool endsACancelledTouch(const QMouseEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};

} // namespace brelon
