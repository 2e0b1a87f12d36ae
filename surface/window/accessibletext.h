// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessible>
#include <QString>

class QLineEdit;

namespace brelon {

class SurfaceLabel;

/// \brief The text item of \a type at, before or after \a offset in \a text,
/// with its start and end: the toolkit's items (words and the runs between
/// them, sentences, characters), the text as one line for the line and
/// paragraph types. At the end of the text the item at it is the last item
/// (none for characters). Start and end are -1 where there is no such item.
enum class TextItem { Before, At, After };
QString textItem(const QString& text, int offset, QAccessible::TextBoundaryType type, TextItem which, int* startOffset,
    int* endOffset);

/// \brief A text field as a screen reader reads it: its text at every
/// offset and boundary (the toolkit's own can spin forever at the end of a
/// text or in leading blanks), and changes to it as the user's own typing.
QAccessibleInterface* accessibleField(QLineEdit* edit);
/// \brief The label painted on the surface: its text, read as a field's is,
/// shown until drawing covers it.
QAccessibleInterface* accessibleLabel(SurfaceLabel* label);

} // namespace brelon
