// SPDX-License-Identifier: GPL-3.0-or-later
// What must hold for every window, checked over the windows' layout tables (common/ui/layout.h)
// as the feature table lists them: every control has a name of its own, every caption ends
// inside its box, every control a user can reach is named for a screen reader, and the builder
// makes what a table says (place, looks, tab order).
#include "app/ui/features.h"
#include "app/ui/mainwindow.h"
#include "charbar/ui/assigndialog.h"
#include "charbar/ui/characterbar.h"
#include "common/ui/layout.h"
#include "platform/twips.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QSet>
#include <QTest>

#include <map>

using namespace bv;
using namespace bv::layout;

class LayoutTablesTest : public QObject
{
    Q_OBJECT

private:
    static QList<const LayoutTable*> tables()
    {
        QList<const LayoutTable*> out;
        for (const FeatureEntry& feature : brisvaneFeatures())
            out += feature.layouts;
        out += MainWindow::layouts();
        out += {&quill::CharacterBar::layout(), &quill::AssignDialog::layout()};
        return out;
    }

private Q_SLOTS:
    void everyWindowHasATable() { QVERIFY(tables().size() >= 2); }

    void everyControlHasANameOfItsOwn()
    {
        for (const LayoutTable* table : tables()) {
            QVERIFY(*table->form.name);
            QSet<QByteArray> names;
            for (const ControlSpec& c : table->controls) {
                QVERIFY2(*c.name, table->form.name);
                QVERIFY2(!names.contains(c.name), c.name);
                names.insert(c.name);
            }
        }
    }

    // A caption wider than its box runs into the control beside it.
    void everyCaptionFitsItsBox()
    {
        for (const LayoutTable* table : tables()) {
            QWidget window;
            applyForm(&window, *table);
            const Controls built = buildLayout(&window, *table);
            for (const ControlSpec& c : table->controls) {
                auto* label = qobject_cast<QLabel*>(built.find(c.name));
                // A caption without a width of its own is made as wide as its text.
                if (!label || c.rect.width == 0 || label->text().isEmpty() || label->wordWrap())
                    continue;
                const qreal text = QFontMetricsF(label->font()).horizontalAdvance(label->text());
                QVERIFY2(text <= label->width() - 2, c.name);
            }
        }
    }

    // An input without a caption that names it is read to a screen reader as nothing.
    void everyInputIsNamedByACaption()
    {
        for (const LayoutTable* table : tables()) {
            QSet<QByteArray> named;
            for (const ControlSpec& c : table->controls)
                if (c.names)
                    named.insert(c.names);
            for (const ControlSpec& c : table->controls) {
                const bool input = c.kind == Kind::LineEdit || c.kind == Kind::ComboBox || c.kind == Kind::PatternBox ||
                                   c.kind == Kind::DriveList || c.kind == Kind::DirList || c.kind == Kind::TextView;
                if (input)
                    QVERIFY2(named.contains(c.name) || c.spoken, c.name);
                else if (c.kind == Kind::Button || c.kind == Kind::CheckBox || c.kind == Kind::ClickLabel)
                    QVERIFY2(*c.caption || c.spoken, c.name);
            }
        }
    }

    void theBuilderMakesWhatTheTableSays()
    {
        for (const LayoutTable* table : tables()) {
            QWidget window;
            applyForm(&window, *table);
            QCOMPARE(window.size(), twSize(table->form.width, table->form.height));
            const Controls built = buildLayout(&window, *table);
            std::map<int, QWidget*> tabOrder;
            for (const ControlSpec& c : table->controls) {
                QWidget* w = built.find(c.name);
                QVERIFY2(w && w->objectName() == QLatin1String(c.name), c.name);
                if (c.rect.width > 0 && c.rect.height > 0)
                    QCOMPARE(w->geometry(), twRect(c.rect.left, c.rect.top, c.rect.width, c.rect.height));
                else
                    QCOMPARE(w->pos(), twPoint(c.rect.left, c.rect.top));
                QCOMPARE(w->isHidden(), (c.looks & Hidden) != 0);
                if (c.tab > 0)
                    QVERIFY2(tabOrder.emplace(c.tab, w).second, c.name);
            }
            window.show();
            for (auto it = tabOrder.begin(); it != tabOrder.end() && std::next(it) != tabOrder.end(); ++it) {
                QWidget* next = it->second->nextInFocusChain();
                // Tab passes over a control's inner part that hands its focus on (an editable
                // combo box's line edit), as it does in a running window.
                while (next != it->second &&
                       !((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && !next->focusProxy()))
                    next = next->nextInFocusChain();
                QCOMPARE(next, std::next(it)->second);
            }
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    LayoutTablesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "layout_tables_test.moc"
