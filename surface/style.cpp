// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/style.h"

#include <QStyleOptionSlider>

#include <cmath>

namespace brelon {

void ZoomedStyle::setZoom(double zoom)
{
    m_zoom = zoom;
    constexpr double inchesPerMetre = 1 / 0.0254;
    const int dotsPerMetre = int(std::lround(96 * zoom * inchesPerMetre));
    m_magnified = QImage(1, 1, QImage::Format_RGB32);
    m_magnified.setDotsPerMeterX(dotsPerMetre);
    m_magnified.setDotsPerMeterY(dotsPerMetre);
}

void ZoomedStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    // The style sizes a scroll bar's arrows by the dots per inch its font
    // metrics report: a magnified bar reports the magnified ones.
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (m_zoom == 1 || control != CC_ScrollBar || !slider || !widget) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionSlider magnified = *slider;
    magnified.fontMetrics = QFontMetrics(widget->font(), &m_magnified);
    m_drawnWith = &magnified;
    m_measuredBy = option;
    QProxyStyle::drawComplexControl(control, &magnified, painter, widget);
    m_drawnWith = m_measuredBy = nullptr;
}

int ZoomedStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (option && option == m_drawnWith)
        option = m_measuredBy;
    const int stored = QProxyStyle::pixelMetric(metric, option, widget);
    // Sizes only: a negative metric means "none" or "the default".
    if (m_zoom == 1 || stored <= 0)
        return stored;
    return int(std::lround(stored * m_zoom));
}

} // namespace brelon
