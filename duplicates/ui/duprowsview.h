// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the duplicate review window, painted by one widget.
//
// A group can hold thousands of same-named files, so the rows are not controls: the view keeps
// nothing but a scroll offset and paints the rows that are in sight from the window's list,
// each laid out as the window has always shown them (225 twips high; icon, name, folder, size,
// version, last access; long names and folders cut off by the next column; separators over the
// full height; the selected row navy with white text). Opening a group of 10,000 rows costs
// the same as opening one of two.
//
// A figure (size, version, date) is never cut: one wider than its cell is condensed to fit it.
//
// The rows may still be coming in: the window says how many are ready, and the ones after them
// show "Reading..." until their values are in. A click selects a row only once it has been
// painted with its values, so nobody acts on a row they could not see.
//
// Assistive technology sees a list whose items are the rows, each read as its texts ("setup.exe,
// /home/ann/Downloads, 1.2 Kb, 1.0.0.1, 3/4/2025") and its tooltip, the selected one selected.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include <climits>
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
        std::function<int()> count; // rows, those still being read included
        std::function<int()> ready; // the first `ready` rows have their values
        // The texts of a ready row r: name, folder, size, version, last access.
        std::function<void(int r, QString* cells)> cells;
        // What assistive technology reads for a ready row (may be empty: the texts joined).
        std::function<QString(int r)> spoken;
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
    // The window selected another row, or none: repainted, and told to assistive technology.
    void selectionChanged();

    int rowCount() const { return m_source.count(); }
    int selectedRow() const { return m_source.selected(); }
    // Row r's texts as one line, its tooltip, where it lies in the view.
    QString rowText(int r) const;
    QString rowToolTip(int r) const;
    QRect rowRect(int r) const;
    // Where column c (0 name ... 4 last access) of row r is drawn.
    QRect cellRect(int r, int c) const;
    // The font that draws a figure within its cell (column 2, 3 or 4): the view's own, or
    // condensed just enough.
    QFont cellFont(int column, const QString& text) const;

Q_SIGNALS:
    void rowClicked(int row);
    // The rows in sight have just been painted.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    Source m_source;
    QScrollBar* m_scrollBar;
    int m_placeholdersFrom = INT_MAX; // the first row last painted as "Reading..."
};

} // namespace bv
