// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/accessiblecontrols.h"

#include "surface/window/accessibleactions.h"
#include "surface/window/scrollbar.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <vector>

namespace brelon {

namespace {

/// The main window: a frame, named by its title.
class AccessibleWindow : public QAccessibleWidget {
public:
    explicit AccessibleWindow(QWidget* window)
        : QAccessibleWidget(window, QAccessible::Window)
    {
    }
};

/// The frame: its controls in the order they stand on screen, whichever
/// lies above the others' edges.
class AccessibleFrame : public QAccessibleWidget {
public:
    explicit AccessibleFrame(QGroupBox* frame)
        : QAccessibleWidget(frame, QAccessible::Grouping)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return qobject_cast<QGroupBox*>(widget())->title();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return int(children().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const std::vector<QWidget*> all = children();
        return index >= 0 && size_t(index) < all.size() ? QAccessible::queryAccessibleInterface(all[size_t(index)])
                                                        : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const std::vector<QWidget*> all = children();
        const auto at = std::find(all.begin(), all.end(), child ? child->object() : nullptr);
        return at == all.end() ? -1 : int(at - all.begin());
    }

private:
    std::vector<QWidget*> children() const
    {
        std::vector<QWidget*> all;
        for (QObject* object : widget()->children())
            if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow())
                all.push_back(child);
        // Top to bottom, then left to right.
        std::stable_sort(all.begin(), all.end(),
            [](const QWidget* a, const QWidget* b) { return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x(); });
        return all;
    }
};

/// An option button's role, a check box's or a push button's.
QAccessible::Role roleOf(const QAbstractButton* button)
{
    if (!button->isCheckable())
        return QAccessible::Button;
    return button->autoExclusive() ? QAccessible::RadioButton : QAccessible::CheckBox;
}

/// A push button or an option button: "Press" or "Toggle" is a click.
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(QAbstractButton* button)
        : QAccessibleWidget(button, roleOf(button))
    {
        addControllingSignal(button->isCheckable() ? QStringLiteral("toggled(bool)") : QStringLiteral("clicked()"));
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text().remove(u'&');
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        if (auto* push = qobject_cast<QPushButton*>(button()))
            state.defaultButton = push->isDefault();
        return state;
    }
    QRect rect() const override
    {
        auto* option = qobject_cast<QRadioButton*>(button());
        if (!option || !option->isVisible())
            return QAccessibleWidget::rect();
        QStyleOptionButton style;
        style.initFrom(option);
        style.text = option->text();
        return option->style()
            ->subElementRect(QStyle::SE_RadioButtonClickRect, &style, option)
            .translated(option->mapToGlobal(QPoint(0, 0)));
    }
    QStringList actionNames() const override
    {
        if (!actionable(widget()))
            return {};
        return QStringList { button()->isCheckable() ? toggleAction() : pressAction() }
        + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() || name == toggleAction())
            perform(widget(), [](QWidget* w) { static_cast<QAbstractButton*>(w)->click(); });
        else if (name == setFocusAction())
            perform(widget(), focus);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

/// A scroll bar: its value, and "Increase" and "Decrease" as a click on its arrows.
class AccessibleScrollBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleScrollBar(ScrollBar* bar)
        : QAccessibleWidget(bar, QAccessible::ScrollBar)
    {
        addControllingSignal(QStringLiteral("valueChanged(int)"));
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(bar()->value());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        if (!actionable(widget()))
            return {};
        return QStringList { increaseAction(), decreaseAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == increaseAction())
            perform(widget(), [](QWidget* w) { step(w, QAbstractSlider::SliderSingleStepAdd); });
        else if (name == decreaseAction())
            perform(widget(), [](QWidget* w) { step(w, QAbstractSlider::SliderSingleStepSub); });
        else if (name == setFocusAction())
            perform(widget(), focus);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant& value) override
    {
        const int wanted = value.toInt();
        perform(widget(), [wanted](QWidget* w) { static_cast<ScrollBar*>(w)->setValue(wanted); });
    }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    ScrollBar* bar() const { return static_cast<ScrollBar*>(widget()); }
    static void step(QWidget* w, QAbstractSlider::SliderAction action)
    {
        static_cast<ScrollBar*>(w)->triggerAction(action);
    }
};

} // namespace

QAccessibleInterface* accessibleWindow(QWidget* window)
{
    return new AccessibleWindow(window);
}

QAccessibleInterface* accessibleFrame(QGroupBox* frame)
{
    return new AccessibleFrame(frame);
}

QAccessibleInterface* accessibleButton(QAbstractButton* button)
{
    return new AccessibleButton(button);
}

QAccessibleInterface* accessibleScrollBar(ScrollBar* bar)
{
    return new AccessibleScrollBar(bar);
}

} // namespace brelon
