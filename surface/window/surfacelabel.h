// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace brelon {

/// \brief A label without a window of its own: its text and background are
/// painted on the drawing surface when the window is built, so drawing
/// covers it. The widget itself paints nothing; it holds the text for screen
/// readers and says whether drawing has covered it yet.
class SurfaceLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    bool covered() const { return m_covered; }
    /// \brief Drawing has covered the label: it no longer shows.
    void setCovered();

protected:
    void paintEvent(QPaintEvent*) override { }

private:
    bool m_covered = false;
};

} // namespace brelon
