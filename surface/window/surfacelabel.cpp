// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/window/surfacelabel.h"

#include <QAccessible>

namespace brelon {

void SurfaceLabel::setCovered()
{
    if (m_covered)
        return;
    m_covered = true;
    QAccessible::State changed;
    changed.offscreen = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace brelon
