// The rows of the duplicate review window, painted by one widget.
//
// A group can hold thousands of same-named files, so the rows are not controls: the view keeps
// nothing but a scroll offset and paints the rows that are in sight from the window's list,
// each laid out as the window has always shown them (225 twips high; icon, name, folder, size,
// version, last access; long names and folders cut off by the next column; separators over the
// full height; the selected row navy with white text). Opening a group of 10,000 rows costs
// the same as opening one of two.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include <functional>

class QScrollBar;

namespace bv {

class DupRowsView : public QWidget
{
    Q_OBJECT
public:
    // What the view shows: the window answers these.
    struct Source
    {
        std::function<int()> count;
        // The texts of row r: name, folder, size, version, last access.
        std::function<void(int r, QString* cells)> cells;
        std::function<QIcon(int r)> icon;
        std::function<int()> selected; // -1 = none
        std::function<QString(int r)> toolTip;
    };

    DupRowsView(Source source, QScrollBar* scrollBar, QWidget* parent);

    // Row height in pixels (225 twips).
    static int rowHeight();
    // The row at a point of the view, or -1 (the empty area below the last row).
    int rowAt(const QPoint& pos) const;
    // Range of the scroll bar for the current number of rows; it is usable only once the rows
    // do not fit (from the tenth row on).
    void updateScrollRange();
    // Scrolls so that row r is in sight.
    void ensureVisible(int r);

Q_SIGNALS:
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    Source m_source;
    QScrollBar* m_scrollBar;
};

} // namespace bv
