// SPDX-License-Identifier: GPL-3.0-or-later
// A part of a widget that is no widget of its own (a text printed onto a panel, a painted row),
// as assistive technology sees it: a leaf with a role, a name and a place. The widget's own
// accessible interface makes one per part when a screen reader first asks for it, registers it
// with Qt, and deletes it with itself; the part finds its current text and place through the
// widget each time, so it stays the same object while what the widget shows changes.
#pragma once

#include <QAccessible>
#include <QPointer>
#include <QWidget>

namespace bv {

class AccessibleItem : public QAccessibleInterface
{
public:
    AccessibleItem(QWidget* owner, QAccessible::Role role) : m_owner(owner), m_role(role) {}

    // Where the part is among the widget's parts now, -1 once it is gone.
    virtual int index() const = 0;
    virtual QString name() const = 0;
    // In the widget's coordinates.
    virtual QRect localRect() const = 0;
    virtual bool selected() const { return false; }

    bool isValid() const override { return m_owner && index() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_owner.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return m_role; }
    void setText(QAccessible::Text, const QString&) override {}
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::State state() const override;

protected:
    QWidget* owner() const { return m_owner.data(); }

private:
    QPointer<QWidget> m_owner;
    QAccessible::Role m_role;
};

// Installs a factory once per program: Qt asks it for every class of a widget's ancestry.
template <class Widget, class Interface> void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className == QLatin1String(Widget::staticMetaObject.className()))
                if (auto* widget = qobject_cast<Widget*>(object))
                    return new Interface(widget);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
}

} // namespace bv
