// SPDX-License-Identifier: GPL-3.0-or-later
// A widget that text can be "printed" onto at a position, like a classic form: the printed
// items persist until cleared and every repaint draws them again. Printing at a position
// replaces what was printed there, so the list never grows. A repaint only draws.
//
// Printed text is no widget, so assistive technology would not see it: the surface's
// accessible interface lists each printed item as a text child of its own, read with the
// caption the window shows beside it ("Number of files removed: 3").
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;

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

    // The label whose text a screen reader reads before the text printed at a position; its
    // current text is read, so a caption that changes stays right.
    void setPrintCaption(int xTwips, int yTwips, QLabel* caption);
    // Printed item i (in print order) as assistive technology reads it: its caption and its
    // text, without the blanks that pad it; where it lies on the surface, in pixels.
    QString spokenText(int index) const;
    QRect printRect(int index) const;
    // The item printed at a position, -1 if none; the position of item i.
    int printIndexAt(QPoint twips) const;
    QPoint printedPosition(int index) const;

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
    struct Caption
    {
        QPoint pos; // twips
        QPointer<QLabel> label;
    };
    QList<Item> m_items;
    QList<Caption> m_captions;
    QColor m_fore = Qt::black;
};

} // namespace bv
