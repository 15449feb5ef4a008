// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/patternboxes.h"

#include "common/format.h"
#include "platform/ui/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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

QComboBox* patternBox(QWidget* panel, const QString& name, const QRect& rect)
{
    auto* box = new QComboBox(panel);
    box->setObjectName(name);
    box->setGeometry(rect);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFont(arialFont(9, true));
    setTextColour(box, Qt::red);
    box->addItems(searchPatternItems());
    box->setCurrentIndex(-1);
    box->lineEdit()->installEventFilter(panel);
    box->installEventFilter(panel);
    return box;
}

} // namespace bv
