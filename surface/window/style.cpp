// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/style.h"

#include "surface/window/classicframe.h"

#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace brelon {

void WindowStyle::setZoom(double zoom)
{
    m_zoom = zoom;
    constexpr double inchesPerMetre = 1 / 0.0254;
    const int dotsPerMetre = int(std::lround(96 * zoom * inchesPerMetre));
    m_magnified = QImage(1, 1, QImage::Format_RGB32);
    m_magnified.setDotsPerMeterX(dotsPerMetre);
    m_magnified.setDotsPerMeterY(dotsPerMetre);
}

void WindowStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        box && control == CC_GroupBox && !(box->subControls & SC_GroupBoxCheckBox)) {
        classicframe::draw(*this, *box, *painter, m_zoom);
        return;
    }
    // The style sizes a scroll bar's arrows by the dots per inch its font
    // metrics report: a magnified bar reports the magnified ones.
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !slider) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    if (m_zoom == 1 || !widget) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    } else {
        QStyleOptionSlider magnified = *slider;
        magnified.fontMetrics = QFontMetrics(widget->font(), &m_magnified);
        m_drawnWith = &magnified;
        m_measuredBy = option;
        QProxyStyle::drawComplexControl(control, &magnified, painter, widget);
        m_drawnWith = m_measuredBy = nullptr;
    }
    if (option->state & State_HasFocus)
        drawFocusMark(*option, *painter, widget);
}

void WindowStyle::drawFocusMark(const QStyleOption& option, QPainter& painter, const QWidget* widget) const
{
    // The style marks a focused button by its outline in the highlight
    // colour; a scroll bar gets the same, within its own rectangle, around
    // the part of it that no widget above covers.
    const int width = std::max(1, int(std::lround(m_zoom)));
    const QRect r = widget ? option.rect.intersected(widget->visibleRegion().boundingRect()) : option.rect;
    classicframe::outline(painter, r, width, option.palette.highlight().color());
}

int WindowStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (option && option == m_drawnWith)
        option = m_measuredBy;
    const int stored = QProxyStyle::pixelMetric(metric, option, widget);
    // Sizes only: a negative metric means "none" or "the default".
    if (m_zoom == 1 || stored <= 0)
        return stored;
    return int(std::lround(stored * m_zoom));
}

QRect WindowStyle::subControlRect(
    ComplexControl control, const QStyleOptionComplex* option, SubControl subControl, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (box && control == CC_GroupBox && !(box->subControls & SC_GroupBoxCheckBox)) {
        switch (subControl) {
        case SC_GroupBoxLabel:
            return classicframe::labelRect(*box, m_zoom);
        case SC_GroupBoxFrame:
            return classicframe::borderRect(*box);
        case SC_GroupBoxContents:
            return classicframe::contentsRect(*box, m_zoom);
        default:
            break;
        }
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

} // namespace brelon
