// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QLabel;
class QLineEdit;
class QWidget;

namespace brelon {

class WindowStyle;

/// \brief Places the window's widgets and pictures at the window's zoom.
///
/// Up to the surface's width the window shows more of the surface at 1:1;
/// beyond, the whole content (the surface and every widget, its font and the
/// style's sizes) is magnified by the zoom min(width / surface width,
/// height / surface height) and centred. Smaller than the stored window
/// (a phone's page in the browser; a desktop window is never so small),
/// the content shrinks to fit it whole. Every widget is placed from its own
/// twips and font at the stored size, never from where it was, so nothing
/// drifts from one zoom to the next.
class Magnifier {
public:
    /// \a clientSize is the client area and \a surfaceSize the drawing
    /// surface, both in pixels at the stored size; \a style the widgets'
    /// style, whose sizes follow the zoom.
    Magnifier(QSize clientSize, QSize surfaceSize, WindowStyle* style);

    /// \brief The zoom for a client area of \a size: 1, or more once it is
    /// larger than the surface both ways, or less when it is smaller than the
    /// stored client area.
    double zoomFor(QSize size) const;
    /// \brief Places \a widget at \a twips of the client area with \a font,
    /// both at the stored size.
    void place(QWidget* widget, const QRect& twips, const QFont& font);
    /// \brief Shows \a picture in \a label, magnified in whole-pixel blocks.
    void showPicture(QLabel* label, const QImage& picture);
    /// \brief Places everything anew at \a zoom and device pixel \a ratio,
    /// with the content's top left at \a origin; false when nothing changed.
    bool follow(double zoom, qreal ratio, QPoint origin);
    /// \brief Where the content's top left lies in the client area.
    QPoint origin() const { return m_origin; }

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
    void placeWidget(const Placement& placement) const;
    /// Fits a line edit's text into it where the window is shrunk.
    void fitShrunk(QLineEdit* edit) const;
    void showPicture(const Picture& picture) const;

    QSize m_clientSize;
    QSize m_surfaceSize;
    WindowStyle* m_style;
    std::vector<Placement> m_placements;
    std::vector<Picture> m_pictures;
    QPoint m_origin;
    double m_zoom = 1;
    qreal m_ratio = 1;
};

} // namespace brelon
