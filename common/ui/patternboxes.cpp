#include "common/ui/patternboxes.h"

#include "common/format.h"
#include "platform/ui/fonts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

QLabel* panelCaption(QWidget* panel, const QString& name, const QString& caption, const QRect& rect)
{
    auto* l = new QLabel(caption, panel);
    l->setObjectName(name);
    l->setGeometry(rect);
    l->setFont(arialFont(9, true));
    setTextColour(l, Qt::black);
    condenseToFit(l);
    return l;
}

QPushButton* panelButton(QWidget* panel, const QString& name, const QString& caption, const QRect& rect)
{
    auto* b = new QPushButton(caption, panel);
    b->setObjectName(name);
    b->setGeometry(rect);
    b->setFont(arialFont(8.25, false));
    setTextColour(b, Qt::black);
    return b;
}

QCheckBox* panelCheck(QWidget* panel, const QString& name, const QString& caption, const QRect& rect)
{
    auto* c = new QCheckBox(caption, panel);
    c->setObjectName(name);
    c->setGeometry(rect);
    c->setFont(arialFont(8.25, true));
    setTextColour(c, Qt::black);
    return c;
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
