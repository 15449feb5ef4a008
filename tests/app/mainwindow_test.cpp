// SPDX-License-Identifier: GPL-3.0-or-later
// The main window, driven headless: command states, menus, About, quitting, counters,
// status line fitting and the walk driver's progress strip.
#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "platform/ui/messagebox_qt.h"
#include "common/walkdriver.h"
#include "tests/support/scripted_messages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace bv;

namespace {

const char* const kAllItems[] = {"OpenLog",        "PrintOption",     "ExitOption",    "FileSearchOption",
                                 "NewFilesOption", "DiskSpaceOption", "ClusterOption", "QuickCleanOption",
                                 "RefreshOption",  "ContentsMenu",    "AboutOption"};

void touch(const QString& path, int bytes = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

class CountingHooks : public FeatureHooks
{
public:
    explicit CountingHooks(AppState& s) : state(s) {}
    void file(const WalkFile& f) override
    {
        files << QString::fromUtf8(f.name);
        if (stopAfter > 0 && files.size() == stopAfter)
            state.StopRequested = true;
    }
    AppState& state;
    QStringList files;
    int stopAfter = 0;
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_appFolder;
    std::unique_ptr<AppState> m_statePtr;
    std::unique_ptr<MainWindow> m_form;

    QStringList enabledItems() const
    {
        QStringList out;
        for (const char* name : kAllItems)
            if (m_form->action(QString::fromLatin1(name))->isEnabled())
                out << QString::fromLatin1(name);
        return out;
    }
    PrintSurface* surface(const char* feature) const
    {
        return dynamic_cast<PrintSurface*>(m_form->panel(QString::fromLatin1(feature))->widget());
    }
    PrintSurface* fileSearch() const { return surface("FileSearchOption"); }
    PrintSurface* duplicates() const { return surface("NewFilesOption"); }
    void open(const char* feature) { m_form->openFeature(QString::fromLatin1(feature)); }

    QStringList enabledIcons() const
    {
        QStringList out;
        for (const char* name : {"FileSearchIcon", "NewFilesIcon", "LogFileIcon", "PrintIcon", "HelpIcon"})
            if (m_form->findChild<QLabel*>(QString::fromLatin1(name))->isEnabled())
                out << QString::fromLatin1(name);
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_statePtr = std::make_unique<AppState>();
        m_statePtr->AppFolder = QFile::encodeName(m_appFolder.path());
        m_form = std::make_unique<MainWindow>(*m_statePtr);
        m_form->showAtStart();
    }
    void cleanup()
    {
        m_form.reset();
        m_statePtr.reset();
    }

    void menusHaveTheirCaptionsAndShortcuts()
    {
        const struct
        {
            const char* name;
            const char* caption;
            const char* key;
        } rows[] = {
            {"OpenLog", "&Open Log File...", "Ctrl+O"},
            {"PrintOption", "&Print", "Ctrl+P"},
            {"ExitOption", "&Exit", ""},
            {"FileSearchOption", "File &Search", "F2"},
            {"NewFilesOption", "Find &Duplicates", "F3"},
            {"DiskSpaceOption", "D&isk Space...", "F4"},
            {"ClusterOption", "Cluster Over&hang...", "F5"},
            {"QuickCleanOption", "&Quick Clean...", "F6"},
            {"RefreshOption", "&Refresh", "F7"},
            {"ContentsMenu", "&Help Contents", "F1"},
            {"AboutOption", "About", ""},
        };
        for (const auto& r : rows) {
            QAction* a = m_form->action(QString::fromLatin1(r.name));
            QVERIFY2(a, r.name);
            QCOMPARE(a->text(), QString::fromLatin1(r.caption));
            QCOMPARE(a->shortcut().toString(), QString::fromLatin1(r.key));
        }
        QStringList menus;
        for (QAction* a : m_form->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, QStringList({"&File", "&Tools", "&Help"}));
    }

    void commandStatesFollowThePanels()
    {
        const QStringList always = {"ExitOption", "RefreshOption", "ContentsMenu", "AboutOption"};
        QCOMPARE(enabledItems().size(), 11);
        QCOMPARE(enabledIcons().size(), 5);
        QCOMPARE(int(m_form->iconBarState()), 0);

        m_form->lockCommands(true);
        QCOMPARE(enabledItems(), always);
        QCOMPARE(enabledIcons(), QStringList({"HelpIcon"}));
        QCOMPARE(int(m_form->iconBarState()), 1);
        // Putting back what a run just removed is offered over a panel too (never mid-run).
        QVERIFY(m_form->action(QStringLiteral("RestoreOption"))->isEnabled());

        m_form->showLogViewCommands();
        QCOMPARE(enabledItems(),
                 QStringList({"PrintOption", "ExitOption", "RefreshOption", "ContentsMenu", "AboutOption"}));
        QCOMPARE(enabledIcons(), QStringList({"PrintIcon", "HelpIcon"}));
        QCOMPARE(int(m_form->iconBarState()), 2);

        m_form->lockCommands(false);
        QCOMPARE(enabledItems().size(), 11);
        QCOMPARE(int(m_form->iconBarState()), 0);
    }

    void panelsOpenLockedAndCloseIdle()
    {
        open("FileSearchOption");
        QVERIFY(fileSearch()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 1);
        // While a panel is open its menu items are disabled: F3 does nothing.
        m_form->action(QStringLiteral("NewFilesOption"))->trigger();
        QVERIFY(!duplicates()->isVisible());
        QTest::mouseClick(fileSearch()->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
        QVERIFY(!fileSearch()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 0);

        open("NewFilesOption");
        QVERIFY(duplicates()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 1);
        // The panel is always left through its own Cancel button.
        auto* cancel = duplicates()->findChild<QPushButton*>(QStringLiteral("dCancelButton"));
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!duplicates()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 0);
    }

    // On every panel each caption ends inside its own box, so none runs into the control beside it.
    void captionsFitTheirBoxes()
    {
        for (const char* feature : {"FileSearchOption", "NewFilesOption"}) {
            QWidget* panel = m_form->panel(QString::fromLatin1(feature))->widget();
            for (const QLabel* label : panel->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || !label->isVisibleTo(panel) || label->wordWrap())
                    continue;
                const qreal text = QFontMetricsF(label->font()).horizontalAdvance(label->text());
                QVERIFY2(text <= label->width() - 2, qPrintable(label->text()));
            }
        }
    }

    // An icon acts like a button: on release over it, not on a press dragged away.
    void iconsActOnReleaseOverThem()
    {
        auto* icon = m_form->findChild<QLabel*>(QStringLiteral("FileSearchIcon"));
        QTest::mousePress(icon, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(icon, Qt::LeftButton, {}, QPoint(icon->width() + 20, 5));
        QVERIFY(!fileSearch()->isVisible());
        QTest::mousePress(icon, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!fileSearch()->isVisible());
        QTest::mouseRelease(icon, Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(fileSearch()->isVisible());
    }

    void aboutShowsItsExactText()
    {
        test::ScriptedMessages boxes;
        m_form->action(QStringLiteral("AboutOption"))->trigger();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("About"));
        QCOMPARE(boxes.shown[0].style, 0);
        const QString text = boxes.shown[0].text;
        QVERIFY(text.startsWith(QString(22, ' ') + "BRISVANE VERSION 3.0.1" + QString(23, ' ') + "\n\r" +
                                QString(44, '_') + "\n\r"));
        QVERIFY(text.contains(QStringLiteral("\n\rCopyright \u00A9 2")));
        QVERIFY(text.contains(QStringLiteral("GNU General Public License, version 3 or later")));
    }

    void printFromTheIdleWindowHasNothingToPrint()
    {
        test::ScriptedMessages boxes;
        m_form->printLog();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Nothing to print."));
        QCOMPARE(boxes.shown[0].style, 48);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Brisvane!"));
    }

    void quitAsksOnlyWhileASearchRuns()
    {
        test::ScriptedMessages boxes;
        const QString question = QStringLiteral("A search is currently in progress, are you sure you want to quit?");

        // No: the program and the search go on.
        m_statePtr->SearchState = SearchState::Running;
        boxes.answer(AnswerNo);
        QCloseEvent no;
        QApplication::sendEvent(m_form.get(), &no);
        QVERIFY(!no.isAccepted());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, question);
        QCOMPARE(boxes.shown[0].style, 292);
        QVERIFY(!m_statePtr->StopRequested);

        // In the duplicate search's review phase nothing is asked.
        m_statePtr->SearchState = SearchState::Reviewing;
        touch(m_appFolder.filePath("temp.bv"));
        touch(m_appFolder.filePath("temp.doc"));
        QCloseEvent review;
        QApplication::sendEvent(m_form.get(), &review);
        QVERIFY(review.isAccepted());
        QCOMPARE(boxes.shown.size(), 1);
        // The working log and its copy go with the program.
        QVERIFY(!QFile::exists(m_appFolder.filePath("temp.bv")));
        QVERIFY(!QFile::exists(m_appFolder.filePath("temp.doc")));
    }

    void quitYesDuringASearchStopsTheWalk()
    {
        test::ScriptedMessages boxes;
        m_statePtr->SearchState = SearchState::Running;
        boxes.answer(AnswerYes);
        QCloseEvent yes;
        QApplication::sendEvent(m_form.get(), &yes);
        QVERIFY(yes.isAccepted());
        QVERIFY(m_statePtr->StopRequested);
    }

    void repaintReprintsTheCountersOfTheVisiblePanel()
    {
        m_form->run().FilesRemoved = 3;
        m_form->run().FilesChecked = 4;
        m_form->run().BytesReclaimed = 5000000000LL;
        m_form->run().FilesMatched = 12;

        // With no panel open a refresh prints nothing.
        m_form->refreshCounters();
        QCOMPARE(fileSearch()->printCount(), 0);
        QCOMPARE(duplicates()->printCount(), 0);

        open("FileSearchOption");
        fileSearch()->clearPrints();
        m_form->repaint();
        PrintSurface* panel = fileSearch();
        QCOMPARE(panel->printedAt(2260, 4640), QStringLiteral(" 3 "));
        QCOMPARE(panel->printedAt(2260, 4290), QStringLiteral(" 4 "));
        QCOMPARE(panel->printedAt(5320, 4285), QStringLiteral(" 5000000000 "));
        QCOMPARE(panel->printedAt(4390, 3940), QStringLiteral(" 12 "));
        QCOMPARE(duplicates()->printCount(), 0);
    }

    void statusLineIsPaddedOrCut()
    {
        const QFontMetrics fm(m_form->font());
        auto twips = [&fm](const QString& s) { return fm.horizontalAdvance(s) * 15; };
        const QString shortText = m_form->fitStatus(QStringLiteral("/home"));
        QVERIFY(shortText.startsWith(QStringLiteral("/home  ")));
        QVERIFY(twips(shortText) > 4899);
        QVERIFY(twips(shortText.chopped(2)) <= 4899);

        const QString longText = m_form->fitStatus(QString(400, QLatin1Char('w')));
        QVERIFY(longText.endsWith(QStringLiteral("...")));
        QVERIFY(twips(longText.chopped(3)) < 4801);
        QVERIFY(twips(longText.chopped(3) + QLatin1Char('w')) >= 4801);

        // Outside a walk a status line is shown at once.
        m_form->ShowStatus(QStringLiteral("hello"));
        QVERIFY(m_form->statusText().startsWith(QStringLiteral("hello")));
    }

    void mouseOverAnIdlePanelWipesTheStatusLine()
    {
        open("FileSearchOption");
        m_form->ShowStatus(QStringLiteral("something"));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(fileSearch(), &move);
        QCOMPARE(m_form->statusText(), QString(105, QLatin1Char(' ')));

        m_statePtr->SearchState = SearchState::Running;
        QTest::qWait(40); // past the status line's repaint interval, so "busy" is shown at once
        m_form->ShowStatus(QStringLiteral("busy"));
        QApplication::sendEvent(fileSearch(), &move);
        QCOMPARE(screenPointer(), 11);
        QVERIFY(m_form->statusText().startsWith(QStringLiteral("busy")));
        m_statePtr->SearchState = SearchState::Ended;
        setScreenPointer(1);
    }

    void progressStripAdvancesEveryStepOfTopLevelFolders()
    {
        QTemporaryDir tree;
        for (int i = 0; i < 22; ++i)
            QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("d%1/sub").arg(i, 2, 10, QLatin1Char('0'))));
        WalkOptions options;
        options.start = QFile::encodeName(tree.path());
        CountingHooks hooks(*m_statePtr);

        // A bigger count left from an earlier run must not hold the bar still.
        m_form->run().TopLevelSeen = 1000;
        const WalkResult result = m_form->SearchDrive(options, hooks);
        QCOMPARE(int(result.end), int(WalkEnd::Complete));
        QVERIFY(m_statePtr->SearchState == SearchState::Ended);
        QCOMPARE(m_form->run().ProgressStep, 2); // 23 / 11 rounded
        QCOMPARE(m_form->floodText(), QString(11, QChar(0x2592)));

        // Four or fewer folders: a step of 0, and the bar only fills at the end.
        QTemporaryDir small;
        QVERIFY(QDir(small.path()).mkpath(QStringLiteral("a")));
        m_form->clearFlood();
        options.start = QFile::encodeName(small.path());
        m_form->SearchDrive(options, hooks);
        QCOMPARE(m_form->run().ProgressStep, 0);
        QCOMPARE(m_form->floodText(), QString());
    }

    void aStopBetweenFilesEndsTheWalkAndCountsWhatWasHanded()
    {
        QTemporaryDir tree;
        for (const char* name : {"a.tmp", "b.tmp", "c.tmp", "sub/d.tmp"}) {
            QDir(tree.path()).mkpath(QFileInfo(tree.filePath(QString::fromLatin1(name))).path());
            touch(tree.filePath(QString::fromLatin1(name)));
        }
        WalkOptions options;
        options.start = QFile::encodeName(tree.path());
        CountingHooks hooks(*m_statePtr);
        hooks.stopAfter = 2;
        m_form->run().FilesMatched = 0;
        const WalkResult result = m_form->SearchDrive(options, hooks);
        QCOMPARE(int(result.end), int(WalkEnd::Stopped));
        QVERIFY(m_statePtr->SearchState == SearchState::Ended);
        QCOMPARE(hooks.files, QStringList({"a.tmp", "b.tmp"}));
        QCOMPARE(m_form->run().FilesMatched, std::int64_t(2));

        // The next start clears the request.
        hooks.files.clear();
        hooks.stopAfter = 0;
        m_form->SearchDrive(options, hooks);
        QCOMPARE(hooks.files.size(), 4);
    }

    void aMissingStartFolderIsAnErrorNotACrash()
    {
        WalkOptions options;
        options.start = QFile::encodeName(m_appFolder.filePath(QStringLiteral("no-such-folder")));
        CountingHooks hooks(*m_statePtr);
        const WalkResult result = m_form->SearchDrive(options, hooks);
        QCOMPARE(int(result.end), int(WalkEnd::Error));
        QVERIFY(!result.reason.isEmpty());
        QVERIFY(m_statePtr->SearchState == SearchState::Ended);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
