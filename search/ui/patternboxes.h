// The two file-pattern boxes of a search panel (the file search's and the duplicate finder's)
// and the "and" between them, with the handlers both panels share.
//
// "*.*" already takes every file, so while the first box holds it the second box and its "and"
// are hidden (whatever the second box holds adds nothing then). "*.*" typed into the second box
// moves to the first, and the second box is emptied as it is hidden, so no pattern the user can
// no longer see stays in force.
#pragma once

class QComboBox;
class QLabel;

namespace bv {

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
