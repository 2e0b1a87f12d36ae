// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>
#include <QProxyStyle>

namespace brelon {

/// \brief The window's style: the application's own, with its sizes
/// magnified by the window's zoom (radio indicators, scroll-bar arrows and
/// thumb, frames and margins grow with the widgets they belong to), and with
/// the few parts the stored window draws otherwise: a frame whose caption
/// stands on its top edge (classicframe.h), and a focus mark on a scroll bar
/// that has the keyboard focus.
class WindowStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void setZoom(double zoom);
    double zoom() const { return m_zoom; }

    int pixelMetric(
        PixelMetric metric, const QStyleOption* option = nullptr, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
        const QWidget* widget = nullptr) const override;

private:
    void drawFocusMark(const QStyleOption& option, QPainter& painter, const QWidget* widget) const;

    double m_zoom = 1;
    QImage m_magnified; ///< a device of the zoom's dots per inch, for font metrics
    // While a scroll bar is drawn with magnified font metrics, the option it
    // is drawn with and the widget's own, by which every size is measured.
    mutable const QStyleOption* m_drawnWith = nullptr;
    mutable const QStyleOption* m_measuredBy = nullptr;
};

} // namespace brelon
