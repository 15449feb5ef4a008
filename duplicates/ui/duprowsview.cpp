// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/ui/duprowsview.h"

#include "platform/twips.h"
#include "platform/ui/accessibleitem.h"
#include "platform/ui/fonts.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QHash>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace bv {

namespace {

constexpr int kRowTwips = 225;
const QColor kNavy(0, 0, 0x80);
const QString kReading = QStringLiteral("Reading...");

// The cells of a row, left to right, in twips: icon, then name, folder, size, version and last
// access as far as each is visible (the name and folder run under the next column).
struct Cell
{
    int left;
    int right;
    bool centred;
};
constexpr Cell kCells[5] = {
    {225, 1425, false},  // name, cut off by the folder column
    {1440, 4275, false}, // folder, cut off by the size column
    {4290, 5085, true},  // size
    {5115, 5970, true},  // version
    {6000, 6885, true},  // last access
};
constexpr int kSeparators[4] = {1425, 4275, 5100, 5985};

class RowItem : public AccessibleItem
{
public:
    RowItem(DupRowsView* view, int row) : AccessibleItem(view, QAccessible::ListItem), m_row(row) {}
    int index() const override { return owner() && m_row < view()->rowCount() ? m_row : -1; }
    QString name() const override { return view()->rowText(m_row); }
    QRect localRect() const override { return view()->rowRect(m_row); }
    bool selected() const override { return view()->selectedRow() == m_row; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && isValid())
            return view()->rowToolTip(m_row);
        return AccessibleItem::text(t);
    }

private:
    DupRowsView* view() const { return static_cast<DupRowsView*>(owner()); }
    int m_row;
};

class RowsAccessible : public QAccessibleWidget
{
public:
    explicit RowsAccessible(DupRowsView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~RowsAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return view()->rowCount(); }
    QAccessibleInterface* child(int r) const override
    {
        if (r < 0 || r >= view()->rowCount())
            return nullptr;
        if (QAccessible::Id id = m_rows.value(r))
            return QAccessible::accessibleInterface(id);
        auto* iface = new RowItem(view(), r);
        m_rows.insert(r, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && !child->object() && child->parent() == this ? static_cast<const RowItem*>(child)->index() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        return child(view()->rowAt(view()->mapFromGlobal(QPoint(x, y))));
    }

    void selectionChanged()
    {
        if (QAccessible::Id id = m_rows.value(view()->selectedRow())) {
            QAccessibleEvent event(QAccessible::accessibleInterface(id), QAccessible::Selection);
            QAccessible::updateAccessibility(&event);
        }
    }

private:
    DupRowsView* view() const { return static_cast<DupRowsView*>(widget()); }
    mutable QHash<int, QAccessible::Id> m_rows;
};

} // namespace

DupRowsView::DupRowsView(Source source, QScrollBar* scrollBar, QWidget* parent)
    : QWidget(parent), m_source(std::move(source)), m_scrollBar(scrollBar)
{
    installAccessibleFactory<DupRowsView, RowsAccessible>();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
    updateScrollRange();
}

int DupRowsView::rowHeight()
{
    return tw(kRowTwips);
}

int DupRowsView::rowAt(const QPoint& pos) const
{
    if (pos.y() < 0 || pos.x() < 0 || pos.x() >= width())
        return -1;
    const qint64 r = (qint64(pos.y()) + m_scrollBar->value()) / rowHeight();
    return r < m_source.count() ? int(r) : -1;
}

void DupRowsView::updateScrollRange()
{
    // The row frame is the visible height until the rows outgrow it, then one row taller per row.
    const qint64 content = qint64(m_source.count()) * rowHeight();
    const int maximum = int(std::max<qint64>(0, content - height()));
    m_scrollBar->setRange(0, maximum);
    m_scrollBar->setSingleStep(rowHeight());
    m_scrollBar->setPageStep(std::max(rowHeight(), height() - rowHeight()));
    m_scrollBar->setEnabled(maximum > 0);
    update();
}

void DupRowsView::ensureVisible(int r)
{
    const int top = r * rowHeight();
    if (top < m_scrollBar->value())
        m_scrollBar->setValue(top);
    else if (top + rowHeight() > m_scrollBar->value() + height())
        m_scrollBar->setValue(top + rowHeight() - height());
}

void DupRowsView::selectionChanged()
{
    update();
    if (QAccessible::isActive())
        if (auto* iface = dynamic_cast<RowsAccessible*>(QAccessible::queryAccessibleInterface(this)))
            iface->selectionChanged();
}

QString DupRowsView::rowText(int r) const
{
    if (r >= m_source.ready())
        return kReading;
    if (m_source.spoken)
        return m_source.spoken(r);
    QString cells[5];
    m_source.cells(r, cells);
    QStringList shown;
    for (const QString& cell : cells)
        if (!cell.trimmed().isEmpty())
            shown << cell.trimmed();
    return shown.join(QStringLiteral(", "));
}

QString DupRowsView::rowToolTip(int r) const
{
    return r < m_source.ready() ? m_source.toolTip(r) : QString();
}

QRect DupRowsView::cellRect(int r, int c) const
{
    return QRect(tw(kCells[c].left), r * rowHeight() - m_scrollBar->value(), tw(kCells[c].right) - tw(kCells[c].left),
                 rowHeight());
}

QFont DupRowsView::cellFont(int column, const QString& text) const
{
    const Cell& cell = kCells[column];
    return condensedToFit(font(), text, tw(cell.right) - tw(cell.left), 1);
}

QRect DupRowsView::rowRect(int r) const
{
    return QRect(0, r * rowHeight() - m_scrollBar->value(), width(), rowHeight());
}

void DupRowsView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    const int h = rowHeight();
    const int offset = m_scrollBar->value();
    const int count = m_source.count();
    const int first = std::max(0, (offset + event->rect().top()) / h);
    const int last = std::min(count - 1, (offset + event->rect().bottom()) / h);
    const int selected = m_source.selected();
    const int ready = m_source.ready();
    // Rows shown as "Reading..." now cannot be clicked until they are painted with their values.
    const int placeholders = last >= ready ? ready : INT_MAX;
    m_placeholdersFrom = event->rect().contains(rect()) ? placeholders : std::min(m_placeholdersFrom, placeholders);
    const QColor normalText = palette().color(QPalette::WindowText);
    QString cells[5];
    for (int r = first; r <= last; ++r) {
        const int y = r * h - offset;
        if (r >= ready) {
            p.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
            p.drawText(cellRect(r, 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, kReading);
            continue;
        }
        const bool isSelected = r == selected;
        p.fillRect(QRect(0, y, width(), h), isSelected ? kNavy : QColor(Qt::white));
        const QIcon icon = m_source.icon(r);
        if (!icon.isNull())
            icon.paint(&p, QRect(0, y, tw(225), h));
        m_source.cells(r, cells);
        p.setPen(isSelected ? QColor(Qt::white) : normalText);
        for (int c = 0; c < 5; ++c) {
            const QRect box = cellRect(r, c);
            p.save();
            p.setClipRect(box);
            // Names and folders run under the next column; figures are condensed instead.
            if (kCells[c].centred)
                p.setFont(cellFont(c, cells[c]));
            p.drawText(box, (kCells[c].centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine,
                       cells[c]);
            p.restore();
        }
    }
    p.setPen(Qt::black);
    for (int x : kSeparators)
        p.drawLine(tw(x), event->rect().top(), tw(x), event->rect().bottom());
    p.end();
    Q_EMIT painted();
}

void DupRowsView::mousePressEvent(QMouseEvent* event)
{
    // A click on any cell of a row selects it; the empty area below the rows does nothing.
    const int r = rowAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && r >= 0 && r < std::min(m_placeholdersFrom, m_source.ready()))
        Q_EMIT rowClicked(r);
    QWidget::mousePressEvent(event);
}

void DupRowsView::wheelEvent(QWheelEvent* event)
{
    if (m_scrollBar->isEnabled())
        QApplication::sendEvent(m_scrollBar, event);
    else
        event->ignore();
}

bool DupRowsView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int r = rowAt(help->pos());
        if (r >= 0 && r < m_source.ready())
            QToolTip::showText(help->globalPos(), m_source.toolTip(r), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace bv
