// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/accessible.h"

#include "surface/window/accessiblecontrols.h"
#include "surface/window/accessibletext.h"
#include "surface/window/scrollbar.h"
#include "surface/window/surfacelabel.h"
#include "surface/window/window.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>

namespace brelon {

QAccessibleInterface* accessibleInterface(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    // Only the main window and its own widgets; anything else (a message
    // box, say) keeps the toolkit's. The toolkit asks again for each class
    // the object derives from; the object itself is answered the first time.
    if (!widget || !qobject_cast<Window*>(widget->window()))
        return nullptr;
    if (qobject_cast<Window*>(widget))
        return accessibleWindow(widget);
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return accessibleFrame(frame);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return accessibleButton(button);
    if (auto* bar = qobject_cast<ScrollBar*>(widget))
        return accessibleScrollBar(bar);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return accessibleField(edit);
    if (auto* label = qobject_cast<SurfaceLabel*>(widget))
        return accessibleLabel(label);
    return nullptr;
}

} // namespace brelon
