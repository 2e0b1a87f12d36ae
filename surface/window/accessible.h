// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessible>
#include <QString>

class QObject;

namespace brelon {

/// \brief What a screen reader sees of the main window and may do to it.
///
/// The toolkit's own accessible interfaces, with what the window needs
/// besides: the window is a frame named by its title; the frame lists its
/// option buttons in the order they stand on screen; text fields and the
/// label painted on the surface answer every boundary query of their text
/// (the toolkit's own can spin forever at the end of a text or in leading
/// blanks); the label stops showing once drawing has covered it. A hidden or
/// disabled control takes no action and no value. While a handler runs, an
/// action waits in the window's queue with the user's other input, and is
/// carried out after the run against the widget as it then is.
///
/// Returns the interface for \a object, a widget of the main window, or
/// nothing for the toolkit to decide; the interfaces themselves are in
/// accessiblecontrols.h and accessibletext.h. Installed with
/// QAccessible::installFactory where the program is put together.
QAccessibleInterface* accessibleInterface(const QString& className, QObject* object);

} // namespace brelon
