#include "app/ui/printsurface.h"

#include "platform/twips.h"

#include <QPainter>

namespace bv {

PrintSurface::PrintSurface(QWidget* parent) : QWidget(parent)
{
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
