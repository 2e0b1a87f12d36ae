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
/// nothing for the toolkit to decide. Installed with QAccessible::installFactory.
QAccessibleInterface* accessibleInterface(const QString& className, QObject* object);

/// \brief The text item of \a type at, before or after \a offset in \a text,
/// with its start and end: the toolkit's items (words and the runs between
/// them, sentences, characters), the text as one line for the line and
/// paragraph types. At the end of the text the item at it is the last item
/// (none for characters). Start and end are -1 where there is no such item.
enum class TextItem { Before, At, After };
QString textItem(const QString& text, int offset, QAccessible::TextBoundaryType type, TextItem which, int* startOffset,
    int* endOffset);

} // namespace brelon
