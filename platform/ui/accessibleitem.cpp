// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/accessibleitem.h"

namespace bv {

QWindow* AccessibleItem::window() const
{
    return m_owner ? m_owner->window()->windowHandle() : nullptr;
}

QString AccessibleItem::text(QAccessible::Text t) const
{
    return t == QAccessible::Name && isValid() ? name() : QString();
}

QRect AccessibleItem::rect() const
{
    if (!isValid() || !m_owner->isVisible())
        return {};
    const QRect r = localRect();
    return QRect(m_owner->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State AccessibleItem::state() const
{
    QAccessible::State s;
    s.invalid = !isValid();
    s.invisible = !m_owner || !m_owner->isVisible();
    if (m_role == QAccessible::StaticText) {
        s.readOnly = true;
    } else {
        s.selectable = true;
        s.selected = isValid() && selected();
    }
    return s;
}

} // namespace bv
