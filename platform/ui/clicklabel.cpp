// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/clicklabel.h"

#include "platform/ui/accessibleitem.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace bv {

namespace {

class ClickLabelAccessible : public QAccessibleWidget
{
public:
    explicit ClickLabelAccessible(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Button) {}
    QStringList actionNames() const override
    {
        return widget()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<ClickLabel*>(widget())->click();
    }
};

} // namespace

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent)
{
    installAccessibleFactory<ClickLabel, ClickLabelAccessible>();
}

void ClickLabel::click()
{
    if (isEnabled())
        Q_EMIT clicked();
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton && isEnabled();
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && isEnabled() && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked();
}

} // namespace bv
