// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/accessibletext.h"

#include "surface/window/accessibleactions.h"
#include "surface/window/surfacelabel.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>
#include <vector>

namespace brelon {

QString textItem(const QString& text, int offset, QAccessible::TextBoundaryType type, TextItem which, int* startOffset,
    int* endOffset)
{
    *startOffset = *endOffset = -1;
    const int length = int(text.size());
    if (length == 0 || offset < 0 || offset > length)
        return {};
    // The items' edges, from 0 to the length.
    std::vector<int> edges { 0 };
    switch (type) {
    case QAccessible::NoBoundary:
        break;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        // A line ends after its line break.
        for (int i = 0; i + 1 < length; ++i)
            if (text[i] == u'\n')
                edges.push_back(i + 1);
        break;
    case QAccessible::CharBoundary:
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary: {
        const auto finderType = type == QAccessible::CharBoundary ? QTextBoundaryFinder::Grapheme
            : type == QAccessible::WordBoundary                   ? QTextBoundaryFinder::Word
                                                                  : QTextBoundaryFinder::Sentence;
        // Words are told apart from what lies between them: an edge is where
        // an item starts or ends.
        const auto edgeReasons = QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem;
        QTextBoundaryFinder finder(finderType, text);
        for (qsizetype at = finder.toNextBoundary(); at > 0 && at < length; at = finder.toNextBoundary())
            if (type == QAccessible::CharBoundary || (finder.boundaryReasons() & edgeReasons))
                edges.push_back(int(at));
        break;
    }
    }
    edges.push_back(length);
    const int items = int(edges.size()) - 1;
    // The item that holds the offset. At the end, the last one; no character
    // is there, so it is one past the last character.
    int at = int(std::upper_bound(edges.begin(), edges.end(), offset) - edges.begin()) - 1;
    if (offset == length)
        at = type == QAccessible::CharBoundary ? items : items - 1;
    const int wanted = at + (which == TextItem::After ? 1 : 0) - (which == TextItem::Before ? 1 : 0);
    if (wanted < 0 || wanted >= items)
        return {};
    *startOffset = edges[size_t(wanted)];
    *endOffset = edges[size_t(wanted) + 1];
    return text.mid(*startOffset, *endOffset - *startOffset);
}

namespace {

/// The boundary queries of a text, answered by textItem() at every offset,
/// and its attributes (none).
class BoundedText : public QAccessibleTextInterface {
public:
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        return item(offset, type, TextItem::Before, start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        return item(offset, type, TextItem::At, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        return item(offset, type, TextItem::After, start, end);
    }
    // Plain text: no attributes anywhere.
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QString item(int offset, QAccessible::TextBoundaryType type, TextItem which, int* start, int* end) const
    {
        // By convention -2 is the cursor and -1 the end of the text.
        if (offset == -2)
            offset = cursorPosition();
        const QString all = text(0, characterCount());
        if (offset == -1)
            offset = int(all.size());
        return textItem(all, offset, type, which, start, end);
    }
};

/// Where a character of a one-line text shown in \a widget lies on screen:
/// from the text's left edge in \a area, placed by \a alignment.
QRect characterRectIn(
    const QWidget* widget, const QRect& area, Qt::Alignment alignment, const QString& text, int offset)
{
    if (offset < 0 || offset >= text.size())
        return {};
    const QFontMetrics metrics(widget->font());
    int left = area.left();
    if (alignment & Qt::AlignHCenter)
        left += (area.width() - metrics.horizontalAdvance(text)) / 2;
    else if (alignment & Qt::AlignRight)
        left += area.width() - metrics.horizontalAdvance(text);
    const QRect local(left + metrics.horizontalAdvance(text.left(offset)), area.top(),
        metrics.horizontalAdvance(text.mid(offset, 1)), metrics.height());
    return local.translated(widget->mapToGlobal(QPoint(0, 0)));
}

/// A text field: its text, and changes to it as the user's own typing.
class AccessibleField : public QAccessibleWidget, public BoundedText, public QAccessibleEditableTextInterface {
public:
    explicit AccessibleField(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText)
    {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return edit()->text();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override
    {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        edit([text](QLineEdit* e) { e->setText(text); });
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.readOnly = edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    // Text.
    QString text(int startOffset, int endOffset) const override
    {
        return startOffset > endOffset ? QString() : edit()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override
    {
        edit([position](QLineEdit* e) { e->setCursorPosition(position); });
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (index == 0 && edit()->hasSelectedText()) {
            *startOffset = edit()->selectionStart();
            *endOffset = *startOffset + int(edit()->selectedText().size());
        }
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int index) override
    {
        if (index == 0)
            edit([](QLineEdit* e) { e->deselect(); });
    }
    void setSelection(int index, int startOffset, int endOffset) override
    {
        if (index == 0)
            edit([startOffset, endOffset](QLineEdit* e) { e->setSelection(startOffset, endOffset - startOffset); });
    }
    QRect characterRect(int offset) const override
    {
        const QMargins margins = edit()->textMargins();
        // The field keeps two pixels between its frame and its text.
        const QRect area = edit()->contentsRect().marginsRemoved(margins).adjusted(2, 0, -2, 0);
        return characterRectIn(edit(), area, edit()->alignment(), edit()->text(), offset);
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        edit([startIndex, endIndex](QLineEdit* e) {
            e->setCursorPosition(endIndex);
            e->setCursorPosition(startIndex);
        });
    }

    // Editing.
    void deleteText(int startOffset, int endOffset) override
    {
        edit([=](QLineEdit* e) { e->setText(e->text().remove(startOffset, endOffset - startOffset)); });
    }
    void insertText(int offset, const QString& text) override
    {
        edit([=](QLineEdit* e) { e->setText(e->text().insert(offset, text)); });
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override
    {
        edit([=](QLineEdit* e) { e->setText(e->text().replace(startOffset, endOffset - startOffset, text)); });
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
    void edit(const std::function<void(QLineEdit*)>& change)
    {
        perform(widget(), [change](QWidget* w) { change(static_cast<QLineEdit*>(w)); });
    }
};

/// The label painted on the surface: its text, shown until drawing covers it.
class AccessibleLabel : public QAccessibleWidget, public BoundedText {
public:
    explicit AccessibleLabel(SurfaceLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.offscreen = label()->covered();
        return state;
    }

    QString text(int startOffset, int endOffset) const override
    {
        return startOffset > endOffset ? QString() : label()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(label()->text().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    int selectionCount() const override { return 0; }
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    QRect characterRect(int offset) const override
    {
        return characterRectIn(label(), label()->contentsRect(), Qt::AlignLeft, label()->text(), offset);
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override { }

private:
    SurfaceLabel* label() const { return static_cast<SurfaceLabel*>(widget()); }
};

} // namespace

QAccessibleInterface* accessibleField(QLineEdit* edit)
{
    return new AccessibleField(edit);
}

QAccessibleInterface* accessibleLabel(SurfaceLabel* label)
{
    return new AccessibleLabel(label);
}

} // namespace brelon
