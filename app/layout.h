// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/window/window.h"

#include <QString>

#include <memory>

namespace brelon {

/// The stored client area of the main window, in twips.
inline constexpr int clientWidthTwips = 11370;
inline constexpr int clientHeightTwips = 8565;
/// The drawing surface: the client area and the right end of the scene,
/// which the stored size leaves out (the scan reaches x 11950).
inline constexpr int surfaceWidthTwips = 12000;

/// \brief The window caption.
QString windowCaption();

/// \brief Builds the main window, hidden, with all 23 widgets and their
/// stored properties: names, geometry, texts, fonts, colours, borders,
/// visibility, stacking, tab order, scroll ranges and the illustration.
/// `labKlepnete` is painted on the drawing surface.
std::unique_ptr<Window> createWindow();

} // namespace brelon
