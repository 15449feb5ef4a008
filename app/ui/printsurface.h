// A widget that text can be "printed" onto at a position, like a classic form: the printed
// items persist until cleared and every repaint draws them again. Printing at a position
// replaces what was printed there, so the list never grows. A repaint only draws.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace bv {

class PrintSurface : public QWidget
{
    Q_OBJECT
public:
    explicit PrintSurface(QWidget* parent = nullptr);

    // Print text at (x, y) in twips, in the surface's font and fore colour. Returns nothing;
    // the text's top-left lies at the position, as a classic print does.
    void printAt(int xTwips, int yTwips, const QString& text);
    void clearPrints();
    // What is printed at a position ("" if nothing): for tests and for callers that re-read.
    QString printedAt(int xTwips, int yTwips) const;
    int printCount() const { return int(m_items.size()); }

    void setForeColor(const QColor& c)
    {
        m_fore = c;
        update();
    }
    QColor foreColor() const { return m_fore; }
    void setBackColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Extra drawing under the printed text (lines, boxes); the default draws nothing.
    virtual void paintBackground(class QPainter& painter);

private:
    struct Item
    {
        QPoint pos; // twips
        QString text;
    };
    QList<Item> m_items;
    QColor m_fore = Qt::black;
};

} // namespace bv
