// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/printsurface.h"

#include "platform/twips.h"
#include "platform/ui/accessibleitem.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLabel>
#include <QPainter>

namespace bv {

namespace {

// One printed item: read-only text, found by its position.
class PrintedItem : public AccessibleItem
{
public:
    PrintedItem(PrintSurface* surface, QPoint twips) : AccessibleItem(surface, QAccessible::StaticText), m_pos(twips) {}
    int index() const override { return surface() ? surface()->printIndexAt(m_pos) : -1; }
    QString name() const override { return surface()->spokenText(index()); }
    QRect localRect() const override { return surface()->printRect(index()); }

private:
    PrintSurface* surface() const { return static_cast<PrintSurface*>(owner()); }
    QPoint m_pos;
};

// The surface: its child widgets first, then its printed items in print order.
class PrintSurfaceAccessible : public QAccessibleWidget
{
public:
    explicit PrintSurfaceAccessible(PrintSurface* surface) : QAccessibleWidget(surface, QAccessible::Pane) {}
    ~PrintSurfaceAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return QAccessibleWidget::childCount() + surface()->printCount(); }
    QAccessibleInterface* child(int index) const override
    {
        const int widgets = QAccessibleWidget::childCount();
        if (index < widgets)
            return QAccessibleWidget::child(index);
        if (index - widgets >= surface()->printCount())
            return nullptr;
        return item(surface()->printedPosition(index - widgets));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->object())
            return QAccessibleWidget::indexOfChild(child);
        if (child->parent() != this)
            return -1;
        const int i = static_cast<const AccessibleItem*>(child)->index();
        return i < 0 ? -1 : QAccessibleWidget::childCount() + i;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (QAccessibleInterface* w = QAccessibleWidget::childAt(x, y))
            return w;
        const QPoint local = surface()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < surface()->printCount(); ++i)
            if (surface()->printRect(i).contains(local))
                return item(surface()->printedPosition(i));
        return nullptr;
    }

    // Tells assistive technology that the text at a position changed, if it has asked for it.
    void printChanged(QPoint twips)
    {
        if (QAccessible::Id id = m_items.value(twips)) {
            QAccessibleEvent event(QAccessible::accessibleInterface(id), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }

private:
    PrintSurface* surface() const { return static_cast<PrintSurface*>(widget()); }
    QAccessibleInterface* item(QPoint twips) const
    {
        if (QAccessible::Id id = m_items.value(twips))
            return QAccessible::accessibleInterface(id);
        auto* iface = new PrintedItem(surface(), twips);
        m_items.insert(twips, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }

    mutable QHash<QPoint, QAccessible::Id> m_items;
};

} // namespace

PrintSurface::PrintSurface(QWidget* parent) : QWidget(parent)
{
    installAccessibleFactory<PrintSurface, PrintSurfaceAccessible>();
    setAutoFillBackground(true);
}

void PrintSurface::setBackColor(const QColor& c)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
}

void PrintSurface::printAt(int xTwips, int yTwips, const QString& text)
{
    const QPoint pos(xTwips, yTwips);
    QRect dirty;
    const QFontMetrics fm(font());
    auto rectOf = [&](const QString& t) {
        return QRect(twPoint(pos.x(), pos.y()), QSize(fm.horizontalAdvance(t) + 2, fm.height() + 1));
    };
    bool replaced = false;
    for (Item& item : m_items) {
        if (item.pos == pos) {
            // Reprinting the same text asks for no paint: a repaint reprints the counters, and
            // must not schedule itself again.
            if (item.text == text)
                return;
            dirty = rectOf(item.text);
            item.text = text;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        m_items.append({pos, text});
    update(dirty.united(rectOf(text)));
    if (replaced && QAccessible::isActive())
        if (auto* iface = dynamic_cast<PrintSurfaceAccessible*>(QAccessible::queryAccessibleInterface(this)))
            iface->printChanged(pos);
}

void PrintSurface::clearPrints()
{
    m_items.clear();
    update();
}

QString PrintSurface::printedAt(int xTwips, int yTwips) const
{
    for (const Item& item : m_items)
        if (item.pos == QPoint(xTwips, yTwips))
            return item.text;
    return {};
}

void PrintSurface::setPrintCaption(int xTwips, int yTwips, QLabel* caption)
{
    m_captions.append({QPoint(xTwips, yTwips), caption});
}

int PrintSurface::printIndexAt(QPoint twips) const
{
    for (int i = 0; i < int(m_items.size()); ++i)
        if (m_items[i].pos == twips)
            return i;
    return -1;
}

QPoint PrintSurface::printedPosition(int index) const
{
    return m_items.at(index).pos;
}

QString PrintSurface::spokenText(int index) const
{
    const Item& item = m_items.at(index);
    const QString text = item.text.trimmed();
    for (const Caption& c : m_captions)
        if (c.pos == item.pos && c.label)
            return c.label->text().trimmed() + QLatin1Char(' ') + text;
    return text;
}

QRect PrintSurface::printRect(int index) const
{
    const Item& item = m_items.at(index);
    const QFontMetrics fm(font());
    return QRect(twPoint(item.pos.x(), item.pos.y()), QSize(fm.horizontalAdvance(item.text), fm.height()));
}

void PrintSurface::paintBackground(QPainter& painter)
{
    (void)painter;
}

void PrintSurface::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    paintBackground(painter);
    painter.setFont(font());
    painter.setPen(m_fore);
    const QFontMetrics fm(font());
    for (const Item& item : m_items) {
        const QPoint p = twPoint(item.pos.x(), item.pos.y());
        // Opaque like a classic print: the text's cell is filled, so a shorter text written
        // over a longer one is not drawn on top of stale glyphs.
        const QRect cell(p, QSize(fm.horizontalAdvance(item.text), fm.height()));
        painter.fillRect(cell, palette().color(QPalette::Window));
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop, item.text);
    }
}

} // namespace bv
