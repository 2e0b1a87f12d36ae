// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/magnifier.h"

#include "surface/drawing/twips.h"
#include "surface/window/style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace brelon {

namespace {

/// \brief \a font, given at the stored size in whole pixels, at \a zoom: a
/// fractional size, so that texts keep their widths in proportion.
QFont zoomedFont(const QFont& font, double zoom, int logicalDpi)
{
    if (zoom == 1 || font.pixelSize() <= 0)
        return font;
    QFont zoomed = font;
    zoomed.setPointSizeF(font.pixelSize() * zoom * 72.0 / logicalDpi);
    return zoomed;
}

} // namespace

Magnifier::Magnifier(QSize clientSize, QSize surfaceSize, WindowStyle* style)
    : m_clientSize(clientSize)
    , m_surfaceSize(surfaceSize)
    , m_style(style)
{
}

double Magnifier::zoomFor(QSize size) const
{
    const auto fit = [size](QSize content) {
        return std::min(double(size.width()) / content.width(), double(size.height()) / content.height());
    };
    if (const double shrunk = fit(m_clientSize); shrunk < 1)
        return shrunk;
    return std::max(1.0, fit(m_surfaceSize));
}

void Magnifier::place(QWidget* widget, const QRect& twips, const QFont& font)
{
    widget->setStyle(m_style);
    m_placements.push_back({ widget, twips, font });
    placeWidget(m_placements.back());
}

void Magnifier::showPicture(QLabel* label, const QImage& picture)
{
    m_pictures.push_back({ label, picture });
    showPicture(m_pictures.back());
}

bool Magnifier::follow(double zoom, qreal ratio, QPoint origin)
{
    if (zoom == m_zoom && ratio == m_ratio && origin == m_origin)
        return false;
    m_zoom = zoom;
    m_ratio = ratio;
    m_origin = origin;
    // A widget in a frame is placed relative to it, and the frame comes first.
    m_style->setZoom(m_zoom);
    for (const Placement& placement : m_placements)
        placeWidget(placement);
    for (const Picture& picture : m_pictures)
        showPicture(picture);
    return true;
}

void Magnifier::placeWidget(const Placement& placement) const
{
    QWidget* widget = placement.widget;
    QRect rect = TwipScale(m_zoom).rect(placement.twips).translated(m_origin);
    if (QWidget* parent = widget->parentWidget(); parent != widget->window())
        rect.translate(-parent->pos());
    widget->setGeometry(rect);
    widget->setFont(zoomedFont(placement.font, m_zoom, widget->window()->logicalDpiY()));
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && m_zoom < 1)
        fitShrunk(edit);
    widget->update();
}

void Magnifier::fitShrunk(QLineEdit* edit) const
{
    // A line edit keeps 2 pixels each side of its text at any size; shrunk,
    // they shrink with it. Small letters are drawn a whole pixel high, most
    // a little wider than in proportion: the font gives way until the text
    // fits, as it does at the stored size.
    const int margin = int(std::lround(2 * m_zoom));
    edit->setTextMargins(margin - 2, 0, margin - 2, 0);
    QFont font = edit->font();
    while (font.pointSizeF() > 1 && edit->fontMetrics().horizontalAdvance(edit->text()) > edit->width() - 2 * margin) {
        font.setPointSizeF(font.pointSizeF() * 0.95);
        edit->setFont(font);
    }
}

void Magnifier::showPicture(const Picture& picture) const
{
    // Nearest-neighbour blocks of whole device pixels: never smoothed.
    const qreal factor = m_zoom * m_ratio;
    QPixmap pixmap = QPixmap::fromImage(picture.image.scaled(int(std::lround(picture.image.width() * factor)),
        int(std::lround(picture.image.height() * factor)), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(m_ratio);
    picture.label->setPixmap(pixmap);
}

} // namespace brelon
