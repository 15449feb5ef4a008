// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive technology hears of a window: the names Qt's accessibility interfaces give the
// controls, the same ones the AT-SPI bridge hands to a screen reader.
#pragma once

#include <QAccessible>
#include <QComboBox>
#include <QStringList>
#include <QWidget>

namespace bv::test {

// The name a screen reader reads for a control: the label that names it (the labelled-by
// relation, which Linux screen readers read first; QLabel::setBuddy makes it), else its own
// accessible name. On Linux Qt reports a combo box's current entry as its name, which names the
// entry and not the box: there only a label, or the name given to the box (reported while the
// box is empty), counts.
inline QString spokenName(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return {};
    for (const auto& [label, relation] : iface->relations(QAccessible::Label)) {
        const QString name = label->text(QAccessible::Name).trimmed();
        if (!name.isEmpty())
            return name;
    }
    if (qobject_cast<QComboBox*>(w))
        return w->accessibleName();
    return iface->text(QAccessible::Name).trimmed();
}

// Every control of the window a user can reach (shown, takes the keyboard focus) that a screen
// reader would find without a name, as "objectName (class)". A widget whose focus goes to
// another one (the line edit inside an editable combo box) is named through that one.
inline QStringList unnamedControls(QWidget* window)
{
    QStringList out;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus || w->focusProxy())
            continue;
        if (spokenName(w).isEmpty())
            out << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
    return out;
}

} // namespace bv::test
