// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/ui.h"

#include <algorithm>
#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brelon {

class ScrollBar;

/// The push buttons that run handlers.
enum class Button { Start, Konec };

/// \brief The window's widgets that the handlers and start-up work with,
/// found by their role: the fields, bars, options and buttons.
class Roles {
public:
    void bind(Field role, QLineEdit* widget) { m_fields[size_t(role)] = widget; }
    void bind(Bar role, ScrollBar* widget) { m_bars[size_t(role)] = widget; }
    void bind(Option role, QRadioButton* widget) { m_options[size_t(role)] = widget; }
    void bind(Button role, QPushButton* widget) { m_buttons[size_t(role)] = widget; }
    /// \brief Whether every role has its widget.
    bool complete() const { return all(m_fields) && all(m_bars) && all(m_options) && all(m_buttons); }

    QLineEdit* field(Field role) const { return m_fields[size_t(role)]; }
    ScrollBar* bar(Bar role) const { return m_bars[size_t(role)]; }
    QRadioButton* option(Option role) const { return m_options[size_t(role)]; }
    QPushButton* button(Button role) const { return m_buttons[size_t(role)]; }

private:
    template <typename Widgets> static bool all(const Widgets& widgets)
    {
        return std::all_of(widgets.begin(), widgets.end(), [](const auto* w) { return w != nullptr; });
    }

    std::array<QLineEdit*, 4> m_fields {};
    std::array<ScrollBar*, 3> m_bars {};
    std::array<QRadioButton*, 4> m_options {};
    std::array<QPushButton*, 2> m_buttons {};
};

} // namespace brelon
