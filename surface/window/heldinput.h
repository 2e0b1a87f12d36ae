// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace brelon {

/// \brief What the user does to a window while a handler runs, and the
/// actions given to it meanwhile, in one queue: nothing of it reaches a
/// widget during the run; once the handler has ended, each is carried out
/// in the order it came, on whatever stands at its place by then.
class HeldInput : public QObject {
    Q_OBJECT
public:
    /// Holds the input that reaches \a window's window-system window.
    explicit HeldInput(QWidget* window);

    /// \brief Watches the window's window-system window, which the user's
    /// input reaches first; call once it exists (when the window is shown).
    void watch();
    bool running() const { return m_running; }
    /// \brief Called when a top-level handler starts and ends; at its end
    /// what was held is carried out.
    void setRunning(bool running);
    /// \brief Carries out \a action after the run, in order with the input.
    void hold(std::function<void()> action) { m_held.push_back(std::move(action)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Keeps \a event, input to the window, to be carried out after the run.
    void holdInput(const QEvent* event);

    QWidget* m_window;
    bool m_running = false;
    bool m_carryingOut = false; ///< in the loop that carries out what was held
    std::vector<std::function<void()>> m_held; ///< what was held, in order
};

} // namespace brelon
