// SPDX-License-Identifier: GPL-3.0-or-later
// The file-search panel as the user sees it: its controls, Begin's checks with their messages,
// focus and selection, and the small handlers (pattern boxes, criterion, drive, Done/Cancel).
#include "filesearch_test_support.h"

#include "platform/twips.h"
#include "platform/volumes.h"
#include "common/ui/drivelist.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace bv;
using namespace bv::test;

class FileSearchPanelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsSitWhereTheLayoutPutsThem()
    {
        PanelHarness h;
        struct Spec
        {
            const char* name;
            QRect rect;
            const char* caption; // nullptr: not checked
        };
        const Spec specs[] = {
            {"SearchLabel0", twRect(90, 450, 2400, 255), "1. Search for files of type(s)"},
            {"SearchPattern0", twRect(2475, 405, 825, 345), nullptr},
            {"ANDLabel", twRect(3330, 435, 360, 240), "and"},
            {"SearchPattern1", twRect(3705, 390, 825, 345), nullptr},
            {"SearchLabel1", twRect(90, 840, 1065, 255), "2. Files that"},
            {"InstructionList", twRect(1110, 795, 2265, 345), nullptr},
            {"SINCELabel", twRect(3375, 840, 600, 255), "since"},
            {"DateText", twRect(3945, 795, 1125, 330), nullptr},
            {"SearchLabel2", twRect(5115, 840, 1455, 255), "will be removed."},
            {"SearchLabel5", twRect(90, 1230, 2820, 255), "3. (Optional) Only files larger than"},
            {"BytesText", twRect(2970, 1185, 870, 330), nullptr},
            {"SearchLabel6", twRect(3900, 1230, 1920, 255), "bytes will be checked."},
            {"SearchLabel3", twRect(90, 1590, 5775, 255),
             "4. Reclaim files in the following location (Including sub directories):"},
            {"Drive1", twRect(270, 1875, 2820, 330), nullptr},
            {"Dir1", twRect(270, 2220, 2820, 990), nullptr},
            {"RecycleCheck", twRect(3630, 2040, 2895, 240), "Send all files to the Recycle Bin"},
            {"VerifyCheck", twRect(3630, 2280, 2895, 240), "Bring Up Verification Window"},
            {"IgnoreCheck", twRect(3630, 2520, 2895, 240), "Ignore Hidden and System files"},
            {"IgnoreDir", twRect(3630, 2760, 2895, 240), "Ignore Hidden Directories"},
            {"CancelButton", twRect(3120, 3030, 1125, 405), "&Cancel"},
            {"ResetButton", twRect(4275, 3030, 1125, 405), "&Reset"},
            {"BeginButton", twRect(5430, 3030, 1125, 405), "&Begin"},
            {"SearchLabel7", twRect(90, 3930, 4275, 255), "Number of files matching the specified file type(s):"},
            {"SearchLabel8", twRect(90, 4275, 2145, 255), "Number of files checked:"},
            {"SearchLabel4", twRect(3330, 4275, 1905, 255), "Total bytes reclaimed:"},
            {"SearchLabel9", twRect(90, 4620, 2145, 255), "Number of files removed:"},
            {"ViewLogButton", twRect(4275, 4605, 1125, 405), "&View Log"},
            {"DoneButton", twRect(5430, 4605, 1125, 405), "&Cancel"},
        };
        for (const Spec& s : specs) {
            auto* w = h.child<QWidget>(s.name);
            QVERIFY2(w, s.name);
            QCOMPARE(w->geometry(), s.rect);
            if (!s.caption)
                continue;
            QString text;
            if (auto* l = qobject_cast<QLabel*>(w))
                text = l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                text = b->text();
            QCOMPARE(text, QString::fromLatin1(s.caption));
        }
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(h.pattern(i)->count(), 31);
            QCOMPARE(h.pattern(i)->itemText(0), QStringLiteral("*.art"));
            QCOMPARE(h.pattern(i)->itemText(30), QStringLiteral("*.voc"));
        }
        for (const char* c : {"RecycleCheck", "VerifyCheck", "IgnoreCheck", "IgnoreDir"})
            QVERIFY(h.child<QCheckBox>(c)->isChecked());
        QVERIFY(!h.button("ViewLogButton")->isEnabled());
        QVERIFY(!h.button("DoneButton")->isEnabled());

        // Tab order through the entries and buttons.
        const char* order[] = {"SearchPattern0", "SearchPattern1", "InstructionList", "DateText",    "BytesText",
                               "Drive1",         "Dir1",           "RecycleCheck",    "VerifyCheck", "IgnoreCheck",
                               "IgnoreDir",      "CancelButton",   "ResetButton",     "BeginButton", "ViewLogButton",
                               "DoneButton"};
        for (std::size_t i = 1; i < std::size(order); ++i) {
            QWidget* from = h.child<QWidget>(order[i - 1]);
            QWidget* next = from->nextInFocusChain();
            while (next && (next->parentWidget() != h.panel || next->focusPolicy() == Qt::NoFocus))
                next = next->nextInFocusChain(); // labels, and a combo box's own line edit
            QCOMPARE(next ? next->objectName() : QString(), QString::fromLatin1(order[i]));
        }

        if (qEnvironmentVariableIsSet("BV_GRAB"))
            h.panel->grab().save(qEnvironmentVariable("BV_GRAB"));
    }

    void beginRefusesWrongEntriesWithTheirMessageAndFocus()
    {
        struct Case
        {
            const char* what;
            void (*edit)(PanelEntries&);
            const char* message;
            const char* focus;
            bool selected;
        };
        const Case cases[] = {
            {"size", [](PanelEntries& e) { e.bytes = "lots"; }, "An invalid file size was entered.", "BytesText", true},
            {"no pattern", [](PanelEntries& e) { e.pattern0.clear(); }, "A search pattern was not specified.",
             "SearchPattern0", false},
            {"same patterns", [](PanelEntries& e) { e.pattern1 = "*.TMP"; }, "The search patterns cannot be the same.",
             "SearchPattern0", false},
            {"criterion", [](PanelEntries& e) { e.instruction = "used"; }, "The search criteria specified is invalid.",
             "InstructionList", true},
            {"date", [](PanelEntries& e) { e.date = "soon"; }, "The date specified is invalid.", "DateText", true},
        };
        PanelHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.form.get()));
        for (const Case& c : cases) {
            ScriptedMessages boxes;
            PanelEntries e;
            c.edit(e);
            h.fill(e);
            h.panel->onBeginClicked();
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].text, QString::fromLatin1(c.message));
            QCOMPARE(boxes.shown[0].style, 48);
            QCOMPARE(boxes.shown[0].title, QStringLiteral("Brisvane!"));
            QWidget* focus = h.child<QWidget>(c.focus);
            QVERIFY2(focus->hasFocus(), c.what);
            if (c.selected) {
                auto* edit = qobject_cast<QLineEdit*>(focus);
                if (!edit)
                    edit = qobject_cast<QComboBox*>(focus)->lineEdit();
                QCOMPARE(edit->selectedText(), edit->text());
            }
            QVERIFY(h.button("BeginButton")->isEnabled());
            QVERIFY(h.logBytes().isEmpty()); // nothing is written for refused entries
        }
    }

    void sizeIsReformattedAndDefaultFolderIsAskedFor()
    {
        PanelHarness h;
        TreeFixture tree{"a.txt"};
        ScriptedMessages boxes;
        PanelEntries e;
        e.bytes = "1,500";
        h.fill(e);
        h.child<DirList>("Dir1")->setPath(tree.root());
        boxes.answer(AnswerNo);
        h.panel->onBeginClicked();
        QCOMPARE(h.child<QLineEdit>("BytesText")->text(), QStringLiteral("1500"));
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("A search path was not specified. Would you like to use the default?")});
        QCOMPARE(boxes.shown[0].style, 36);
        QVERIFY(h.button("BeginButton")->isEnabled()); // No ends the click

        boxes.answer(AnswerYes);
        boxes.answer(AnswerYes); // deleting without a look
        h.panel->onBeginClicked();
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
        QVERIFY(h.logBytes().contains("Only files larger than: 1500 bytes will be checked."));
    }

    void folderFromTheCommandLineIsChosenWhileShown()
    {
        TreeFixture tree{"sub/a.tmp"};
        const QByteArray start = tree.path("sub");
        PanelHarness h(start);
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        auto* dir = h.child<DirList>("Dir1");
        QCOMPARE(dir->path(), start);
        QCOMPARE(h.child<DriveList>("Drive1")->mountPoint(), volumeOf(start)->mountPoint);
        QVERIFY(h.panel->pathChosen());
        // The duplicate finder starts there too.
        QWidget* duplicates = h.form->panel(QStringLiteral("NewFilesOption"))->widget();
        QCOMPARE(duplicates->findChild<DirList*>(QStringLiteral("Dir2"))->path(), start);

        h.fill(PanelEntries{});
        h.beginDeleting(boxes); // no question about the default folder
        QVERIFY(boxes.texts().isEmpty());
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
        QVERIFY(h.logBytes().contains("(Including sub directories): " + start + "\r\n"));

        // Reset keeps it chosen while the list shows it; another folder shown is not chosen.
        h.panel->onDoneClicked();
        h.panel->resetPanel();
        QVERIFY(h.panel->pathChosen());
        dir->setPath(tree.root());
        h.panel->resetPanel();
        QVERIFY(!h.panel->pathChosen());
    }

    void patternBoxesHideTheSecondBoxForEveryFile()
    {
        PanelHarness h;
        QComboBox* p0 = h.pattern(0);
        QComboBox* p1 = h.pattern(1);
        auto* andLabel = h.child<QLabel>("ANDLabel");
        p1->setEditText(QStringLiteral("*.doc"));
        p0->setEditText(QStringLiteral("*.*"));
        QVERIFY(p1->isHidden() && andLabel->isHidden());
        // No longer every file: the second box and its pattern are shown again.
        p0->setEditText(QStringLiteral("*.tmp"));
        QVERIFY(!p1->isHidden() && !andLabel->isHidden());

        // "*.*" in the second box moves to the first and leaves no hidden pattern behind.
        p1->setEditText(QStringLiteral("*.*"));
        QCOMPARE(p0->currentText(), QStringLiteral("*.*"));
        QCOMPARE(p1->currentText(), QString());
        QVERIFY(p1->isHidden() && andLabel->isHidden());

        p0->setEditText(QStringLiteral("*.bak"));
        Q_EMIT p0->activated(3); // picking an item shows both boxes
        QVERIFY(!p1->isHidden() && !andLabel->isHidden());
    }

    void criterionChangesTheSentence()
    {
        PanelHarness h;
        auto* list = h.child<QComboBox>("InstructionList");
        QCOMPARE(list->count(), 3);
        list->setEditText(QStringLiteral("Modified or Created"));
        QCOMPARE(h.child<QLabel>("SearchLabel1")->text(), QStringLiteral("2. Files"));
        QCOMPARE(h.child<QLabel>("SINCELabel")->text(), QStringLiteral("on"));
        list->setEditText(QStringLiteral("have been used"));
        QCOMPARE(h.child<QLabel>("SearchLabel1")->text(), QStringLiteral("2. Files that"));
        QCOMPARE(h.child<QLabel>("SINCELabel")->text(), QStringLiteral("since"));
    }

    void unreadableDriveSaysDeviceNotReadyAndGoesBack()
    {
        PanelHarness h;
        TreeFixture tree{"sub/"};
        auto* drives = h.child<DriveList>("Drive1");
        auto* dirs = h.child<DirList>("Dir1");
        drives->setDrives({{tree.root(), QStringLiteral("test")}, {"/no/such/volume", QStringLiteral("gone")}},
                          tree.root());
        h.panel->onDriveListFocused();
        QVERIFY(h.panel->pathChosen());
        ScriptedMessages boxes;
        drives->setCurrentIndex(1);
        Q_EMIT drives->activated(1);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Device not ready."));
        QCOMPARE(boxes.shown[0].style, 16);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(drives->mountPoint(), tree.root());

        // A readable drive opens its root in the folder list.
        drives->setDrives({{tree.root(), QStringLiteral("test")}, {tree.path("sub"), QStringLiteral("sub")}},
                          tree.root());
        drives->setCurrentIndex(1);
        Q_EMIT drives->activated(1);
        QCOMPARE(dirs->path(), tree.path("sub"));
    }

    void cancelAndResetPutThePanelBack()
    {
        PanelHarness h;
        PanelEntries e;
        e.bytes = "10";
        h.fill(e);
        h.run().FilesMatched = 4;
        h.panel->printAt(4390, 3940, QStringLiteral(" 4 "));
        h.button("ResetButton")->click();
        QCOMPARE(h.pattern(0)->currentText(), QString());
        QCOMPARE(h.child<QLineEdit>("BytesText")->text(), QString());
        QCOMPARE(h.child<QLineEdit>("DateText")->text(), QString());
        QVERIFY(h.child<QCheckBox>("RecycleCheck")->isChecked());
        QCOMPARE(h.run().FilesMatched, 0);
        QCOMPARE(h.panel->printCount(), 0);
        QVERIFY(!h.panel->pathChosen());

        h.button("CancelButton")->click();
        QVERIFY(h.panel->isHidden());
        QCOMPARE(int(h.form->iconBarState()), 0);
    }
};

QTEST_MAIN(FileSearchPanelTest)
#include "filesearch_panel_test.moc"
