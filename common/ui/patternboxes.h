// SPDX-License-Identifier: GPL-3.0-or-later
// What the two search panels (the file search's and the duplicate finder's) are made of alike:
// their captions, buttons, check boxes and file-pattern boxes in the looks both share, and the
// pattern boxes' handlers.
//
// "*.*" already takes every file, so while the first box holds it the second box and its "and"
// are hidden (whatever the second box holds adds nothing then). "*.*" typed into the second box
// moves to the first, and the second box is emptied as it is hidden, so no pattern the user can
// no longer see stays in force.
#pragma once

#include <QRect>
#include <QString>

class QComboBox;
class QLabel;
class QWidget;

namespace bv {

// A file-pattern box: editable, empty, its list the usual patterns, red bold Arial 9 pt; `panel`
// filters its events (the box and its line edit), as the panels show a hint when it gets the focus.
QComboBox* patternBox(QWidget* panel, const QString& name, const QRect& rect);

struct PatternBoxes
{
    QComboBox* first = nullptr;
    QComboBox* second = nullptr;
    QLabel* andLabel = nullptr;

    // The text of box `index` (0 first, 1 second) was typed or changed.
    void textChanged(int index) const;
    // An item was chosen from either box's list: both boxes are shown again, unless the first
    // one takes every file.
    void itemChosen() const;
};

} // namespace bv
