// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears of Quillbar, and the assignment grid from the keyboard: every
// reachable control named, the cells and buttons by the characters' Unicode names, a press from
// assistive technology types as a click does, and the arrow keys and Space or Enter pick a
// character as the mouse does.
#include "charbar/core/settings.h"
#include "charbar/ui/baroptions.h"
#include "charbar/ui/characterbar.h"
#include "charbar/ui/assigndialog.h"
#include "tests/charbar/fake_window_service.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/ui/accessible_names.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace bv::quill;

namespace {

const QString kHost = QStringLiteral("Untitled - Editor");

QString text(QWidget* w, QAccessible::Text t = QAccessible::Name)
{
    return QAccessible::queryAccessibleInterface(w)->text(t);
}

void keys(std::initializer_list<Qt::Key> list)
{
    for (Qt::Key key : list)
        QTest::keyClick(QApplication::focusWidget(), key);
}

} // namespace

class QuillAccessibilityTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    test::FakeWindowService m_service;
    bv::test::ScriptedMessages m_boxes;
    std::unique_ptr<CharacterBar> m_bar;

    AssignDialog& openForm(int button)
    {
        m_bar->values().currentButton = button;
        AssignDialog& form = m_bar->options().assignDialog();
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qWarning("dialog not exposed");
        form.activateWindow();
        return form;
    }

private Q_SLOTS:
    void init()
    {
        m_service.titles = {kHost};
        m_service.calls.clear();
        QuillSettings s;
        s.hostCaption = kHost;
        s.codes = {97, 169, 128, 233}; // a © € é, then empty
        m_bar = std::make_unique<CharacterBar>(m_service, s, m_dir.path() + "/Quillbar.ini");
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
    }
    void cleanup()
    {
        if (m_bar->hasOptions())
            m_bar->options().assignDialog().reject();
        m_bar.reset();
    }

    void controlsCellsAndButtonsAreNamed()
    {
        AssignDialog& form = openForm(0);
        QCOMPARE(bv::test::unnamedControls(m_bar.get()), QStringList());
        QCOMPARE(bv::test::unnamedControls(&form), QStringList());
        const std::pair<int, const char*> cells[] = {
            {169, "COPYRIGHT SIGN"}, {128, "EURO SIGN"},    {233, "LATIN SMALL LETTER E WITH ACUTE"},
            {160, "NO-BREAK SPACE"}, {129, "No character"},
        };
        for (const auto& [code, name] : cells) {
            QCOMPARE(text(form.cells[code]), QString::fromLatin1(name));
            QCOMPARE(text(form.cells[code], QAccessible::Description), form.cells[code]->text());
        }
        QCOMPARE(text(m_bar->characterButtons[1]), QStringLiteral("Type COPYRIGHT SIGN"));
        QCOMPARE(text(m_bar->characterButtons[1], QAccessible::Description), QStringLiteral("©"));
        QCOMPARE(text(m_bar->characterButtons[4]), QStringLiteral("No character assigned"));
        m_bar->setButtonCode(4, 128);
        QCOMPARE(text(m_bar->characterButtons[4]), QStringLiteral("Type EURO SIGN"));
    }

    void aPressFromAssistiveTechnologyTypesAsAClickDoes()
    {
        QTest::mouseClick(m_bar->characterButtons[3], Qt::LeftButton);
        const QStringList clicked = std::exchange(m_service.calls, {});
        QCOMPARE(clicked.mid(0, 3), QStringList({"find " + kHost, "activate " + kHost, "type é"}));
        QAccessible::queryAccessibleInterface(m_bar->characterButtons[3])
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_service.calls, clicked);
    }

    void theKeyboardPicksFromTheGridAsTheMouseDoes()
    {
        AssignDialog& form = openForm(2); // the € button: the keyboard starts on its cell
        form.fontBox->setFocus();
        keys({Qt::Key_Tab});
        QCOMPARE(QApplication::focusWidget(), form.cells[128]);
        QCOMPARE(form.cells[128]->lineWidth(), 2);
        // The arrows wrap round inside a row or a column: 143, then down past the last row.
        keys({Qt::Key_Left, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
              Qt::Key_Down, Qt::Key_Down});
        QCOMPARE(form.keyCell(), 15);
        QCOMPARE(form.cells[128]->lineWidth(), 1);
        keys({Qt::Key_Space}); // an empty cell: nothing, as with a click
        QVERIFY(!form.charChosen());

        // Space held shows the close-up as a held mouse button does; the release hides it.
        keys({Qt::Key_Up});
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(form.closeUp->isVisible());
        QCOMPARE(form.selectedLetter(), 255);
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(!form.closeUp->isVisible());
        keys({Qt::Key_Left, Qt::Key_Return, Qt::Key_Tab});
        QCOMPARE(form.selectedLetter(), 254);
        QCOMPARE(QApplication::focusWidget(), form.cancelButton); // Enter picked; it did not apply

        // A click picks without taking the keyboard anywhere.
        QTest::mouseClick(form.cells[65], Qt::LeftButton);
        QCOMPARE(form.selectedLetter(), 65);
        QCOMPARE(QApplication::focusWidget(), form.cancelButton);
        form.onApplyClicked();
        QCOMPARE(m_bar->buttonCode(2), 65);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QuillAccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "quill_accessibility_test.moc"
