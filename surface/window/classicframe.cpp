// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/classicframe.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>
#include <cmath>

namespace brelon::classicframe {

namespace {

/// Pixels at the stored size, at the zoom; at least one.
int scaled(double pixels, double zoom)
{
    return std::max(1, int(std::lround(pixels * zoom)));
}

// At the stored size: the caption begins this far in from the frame's left
// edge, with this gap of background on either side of its text.
constexpr double captionIndent = 6;
constexpr double captionGap = 2;

} // namespace

QRect labelRect(const QStyleOptionGroupBox& option, double zoom)
{
    const int gap = scaled(captionGap, zoom);
    const QSize text(option.fontMetrics.horizontalAdvance(option.text), option.fontMetrics.height());
    const QRect label(option.rect.left() + scaled(captionIndent, zoom), option.rect.top(),
        std::min(text.width() + 2 * gap, option.rect.width()), text.height());
    return QStyle::visualRect(option.direction, option.rect, label);
}

QRect borderRect(const QStyleOptionGroupBox& option)
{
    return option.rect.adjusted(0, option.fontMetrics.height() / 2, 0, 0);
}

QRect contentsRect(const QStyleOptionGroupBox& option, double zoom)
{
    const int line = scaled(1, zoom);
    const QRect border = borderRect(option);
    return { QPoint(border.left() + 2 * line, option.rect.top() + option.fontMetrics.height()),
        QPoint(border.right() - 2 * line, border.bottom() - 2 * line) };
}

void outline(QPainter& painter, const QRect& rect, int width, const QColor& colour)
{
    // Four filled edges, not a stroked rectangle: whole pixels at any width.
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), width), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom() - width + 1, rect.width(), width), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), width, rect.height()), colour);
    painter.fillRect(QRect(rect.right() - width + 1, rect.top(), width, rect.height()), colour);
}

void draw(const QStyle& style, const QStyleOptionGroupBox& option, QPainter& painter, double zoom)
{
    const int line = scaled(1, zoom);
    const QRect border = borderRect(option);
    const QColor background = option.palette.window().color();
    const QColor shadow = background.darker(150);
    const QColor light = background.lighter(150);
    // Etched: a shadow outline, and a light one a line further in and down,
    // so each edge reads as a groove at any zoom.
    outline(painter, border.adjusted(0, 0, -line, -line), line, shadow);
    outline(painter, border.adjusted(line, line, 0, 0), line, light);
    if (option.text.isEmpty())
        return;
    const QRect label = labelRect(option, zoom);
    painter.fillRect(label, background);
    style.drawItemText(&painter, label, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextShowMnemonic, option.palette,
        option.state & QStyle::State_Enabled, option.text, QPalette::WindowText);
}

} // namespace brelon::classicframe
