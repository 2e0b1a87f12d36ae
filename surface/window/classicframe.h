// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QRect>

class QColor;
class QPainter;
class QStyle;
class QStyleOptionGroupBox;

namespace brelon::classicframe {

/// \brief A frame drawn as the stored window draws it: an etched border
/// whose top edge runs through the middle of the caption, the caption
/// standing on it with the frame's background behind its text, and the
/// sides and bottom at the frame's own rectangle, so the controls placed in
/// the frame lie within the border. Lines are \a zoom pixels wide (at least
/// one), and the gaps beside the caption grow with the zoom too.

/// The caption's rectangle within the frame's.
QRect labelRect(const QStyleOptionGroupBox& option, double zoom);
/// The border's outer rectangle: the frame's, from half the caption's height down.
QRect borderRect(const QStyleOptionGroupBox& option);
/// What lies inside the border and below the caption.
QRect contentsRect(const QStyleOptionGroupBox& option, double zoom);

/// Draws the outline of \a rect, \a width pixels wide, inside it.
void outline(QPainter& painter, const QRect& rect, int width, const QColor& colour);
/// Draws the border and the caption.
void draw(const QStyle& style, const QStyleOptionGroupBox& option, QPainter& painter, double zoom);

} // namespace brelon::classicframe
