// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears of Brisvane, through Qt's accessibility interfaces (the ones the
// AT-SPI bridge serves): every window opened through the real main window names each control a
// user can reach; the icon bar's click targets are buttons named by their help text that
// assistive technology can press; the figures printed onto a panel are read with their captions.
#include "common/appstate.h"
#include "app/ui/logpanel.h"
#include "app/ui/mainwindow.h"
#include "duplicates/ui/duplicatereviewwindow.h"
#include "common/ui/moveform.h"
#include "search/ui/verificationwindow.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/ui/accessible_names.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace bv;
using namespace bv::test;

class AccessibilityTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_appFolder;
    AppState m_state;
    std::unique_ptr<MainWindow> m_form;
    ScriptedMessages m_boxes;

    QWidget* panel(const char* feature) const { return m_form->panel(QString::fromLatin1(feature))->widget(); }

private Q_SLOTS:
    void init()
    {
        m_state.AppFolder = QFile::encodeName(m_appFolder.path());
        m_form = std::make_unique<MainWindow>(m_state);
        m_form->showAtStart();
    }
    void cleanup() { m_form.reset(); }

    void everyReachableControlHasAName()
    {
        QStringList audited, unnamed;
        auto audit = [&](const QString& where, QWidget* window) {
            audited << where;
            for (const QString& c : unnamedControls(window))
                unnamed << where + ": " + c;
        };
        audit("idle", m_form.get());
        for (const char* feature : {"FileSearchOption", "NewFilesOption"}) {
            m_form->openFeature(QString::fromLatin1(feature));
            audit(feature, m_form.get());
            m_form->closePanel(*m_form->panel(QString::fromLatin1(feature)));
        }
        // The tools windows are modal: each is looked at while it runs, then closed.
        for (const char* tool : {"DiskSpaceOption", "ClusterOption", "QuickCleanOption"}) {
            QTimer::singleShot(0, qApp, [&, tool] {
                if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    audit(QString::fromLatin1(tool), open);
                    open->done(0);
                }
            });
            m_form->openFeature(QString::fromLatin1(tool));
        }
        // A saved log in the log panel.
        const QByteArray log = m_state.AppFolder + "/saved.log";
        QFile(QFile::decodeName(log)).open(QIODevice::WriteOnly);
        m_form->logPanel()->fileDialogHook = [log](LogDialog) { return log; };
        m_form->openSavedLog();
        audit("log", m_form.get());
        m_form->logPanel()->onCloseClicked();
        // The windows a search opens, over the main window.
        VerificationWindow verify(*m_form, m_form.get());
        MoveForm move(*m_form, m_form.get());
        DuplicateReviewWindow review(*m_form, m_form.get());
        for (QDialog* window :
             {static_cast<QDialog*>(&verify), static_cast<QDialog*>(&move), static_cast<QDialog*>(&review)}) {
            window->show();
            audit(window->objectName(), window);
            window->hide();
        }

        QCOMPARE(audited,
                 QStringList({"idle", "FileSearchOption", "NewFilesOption", "DiskSpaceOption", "ClusterOption",
                              "QuickCleanOption", "log", verify.objectName(), "MoveForm", review.objectName()}));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join('\n')));
    }

    void iconBarTargetsAreButtonsThatAssistiveTechnologyCanPress()
    {
        const QList<QLabel*> icons = m_form->findChildren<QLabel*>(QRegularExpression(QStringLiteral("Icon$")));
        QCOMPARE(icons.size(), 5);
        for (QLabel* icon : icons) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(icon);
            QCOMPARE(iface->role(), QAccessible::Button);
            QCOMPARE(iface->text(QAccessible::Name), icon->property("helpText").toString());
        }
        QAccessibleActionInterface* press =
            QAccessible::queryAccessibleInterface(m_form->findChild<QLabel*>(QStringLiteral("FileSearchIcon")))
                ->actionInterface();
        press->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(panel("FileSearchOption")->isVisible());
        // A panel is open: the icon is disabled, and pressing it offers nothing.
        QVERIFY(press->actionNames().isEmpty());
    }

    void printedFiguresAreReadWithTheirCaptions()
    {
        m_form->openFeature(QStringLiteral("NewFilesOption"));
        QAccessibleInterface* dup = QAccessible::queryAccessibleInterface(panel("NewFilesOption"));
        QCOMPARE(dup->text(QAccessible::Name), QStringLiteral("Find Duplicates"));
        m_form->run().FilesRemoved = 3;
        m_form->panel(QStringLiteral("NewFilesOption"))->reprintCounters();
        QStringList texts;
        QAccessibleInterface* removed = nullptr;
        for (int i = 0; i < dup->childCount(); ++i) {
            if (QAccessibleInterface* child = dup->child(i); !child->object()) {
                texts << child->text(QAccessible::Name);
                removed = texts.last().startsWith("Number of files removed") ? child : removed;
            }
        }
        QCOMPARE(texts,
                 QStringList({"Number of files removed: 3", "Number of files checked: 0", "Total bytes reclaimed: 0",
                              "Number of files matching the specified file type(s): 0"}));
        // The same object reads the current figure, and is found where it is printed.
        QCOMPARE(dup->child(dup->indexOfChild(removed)), removed);
        QCOMPARE(dup->childAt(removed->rect().center().x(), removed->rect().center().y()), removed);
        m_form->run().FilesRemoved = 4;
        m_form->panel(QStringLiteral("NewFilesOption"))->reprintCounters();
        QCOMPARE(removed->text(QAccessible::Name), QStringLiteral("Number of files removed: 4"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "accessibility_test.moc"
