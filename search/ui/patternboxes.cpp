#include "search/ui/patternboxes.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

namespace bv {

namespace {
const QString kAll = QStringLiteral("*.*");
}

void PatternBoxes::textChanged(int index) const
{
    if (index == 1 && second->currentText() == kAll) {
        const QSignalBlocker blockFirst(first);
        const QSignalBlocker blockSecond(second);
        first->setEditText(kAll);
        second->setEditText(QString());
        second->hide();
        andLabel->hide();
        first->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (index == 0) {
        // Shown again as soon as the first box stops taking every file, so what it holds is
        // in sight again.
        const bool takesAll = first->currentText() == kAll;
        second->setVisible(!takesAll);
        andLabel->setVisible(!takesAll);
    }
}

void PatternBoxes::itemChosen() const
{
    if (first->currentText() == kAll)
        return;
    second->show();
    andLabel->show();
}

} // namespace bv
