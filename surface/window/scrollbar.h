// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QScrollBar>

namespace brelon {

/// \brief A horizontal scroll bar with the program's stepping: small and large
/// steps of 1, the value reported when a dragged thumb is released (never
/// during the drag), a place in the tab order, and Left/Right keys that move
/// the thumb the way they point.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace brelon
