// SPDX-License-Identifier: GPL-3.0-or-later
// Whole duplicate searches through the panel in the main window, headless, on fixture trees,
// with the review window driven the way a user drives it (row clicks, arrow keys, buttons, the
// move dialog): the log line by line against an expected file, what is removed and moved, the
// counters, the activity state, and the ways a run ends early (Abort, Cancel during the walk, a
// volume without a trash).
//
// Runs in its own process with HOME, XDG_DATA_HOME and TMPDIR in the build tree (ctest ENV).
#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "app/ui/logpanel.h"
#include "duplicates/ui/dupfilesframe.h"
#include "duplicates/ui/duprowsview.h"
#include "duplicates/ui/duplicatereviewwindow.h"
#include "pe_builder.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/ui/inputguard.h"
#include "common/recordedremoval.h"
#include "common/ui/dirlist.h"
#include "common/ui/moveform.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

timespec utc(int y, int m, int d)
{
    return {QDateTime(QDate(y, m, d), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(), 0};
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void writeFile(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != ssize_t(bytes.size()))
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}

QList<QByteArray> expectedLog(const char* name)
{
    QFile f(QStringLiteral(BV_EXPECTED_DIR "/") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return {QByteArray("cannot read expected file ") + name};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines) {
        if (!l.endsWith('\r'))
            return {QByteArray("expected file is not CR LF: ") + name};
        l.chop(1);
    }
    return lines;
}

// The main window with its own data folder, a fixed clock and locale, the duplicate panel open.
struct DupHarness
{
    DupHarness()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        state.AppFolder = QFile::encodeName(appFolder.path());
        state.Now = [] { return QDateTime(QDate(2026, 12, 8), QTime(15, 38)); };
        form = std::make_unique<MainWindow>(state);
        form->showAtStart();
        form->openFeature(QStringLiteral("NewFilesOption"));
        panel = static_cast<FindDuplicatesPanel*>(form->panel(QStringLiteral("NewFilesOption")));
    }

    template <typename T> T* child(const char* name) const { return panel->findChild<T*>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    RunValues& run() const { return form->run(); }

    void fill(const QString& p2, const QString& p3, const QByteArray& folder, bool recycle)
    {
        child<QComboBox>("SearchPattern2")->setEditText(p2);
        child<QComboBox>("SearchPattern3")->setEditText(p3);
        child<QCheckBox>("dRecycle")->setChecked(recycle);
        child<DirList>("Dir2")->setPath(folder);
        panel->onFolderOpened(); // as a click in the list does
    }

    // The log's lines with the fixture folders replaced by names.
    QList<QByteArray> logLines(const QList<QPair<QByteArray, QByteArray>>& replace) const
    {
        QFile f(appFolder.path() + QStringLiteral("/temp.bv"));
        QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        for (const auto& r : replace)
            text.replace(r.first, r.second);
        QList<QByteArray> lines = text.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& l : lines)
            l.chop(l.endsWith('\r') ? 1 : 0);
        return lines;
    }

    QTemporaryDir appFolder;
    AppState state;
    std::unique_ptr<MainWindow> form;
    FindDuplicatesPanel* panel = nullptr;
};

// Plays the user at the review window: when a group is shown, runs the script for its caption
// (Continue when there is none). A script must end its group.
class Reviewer
{
public:
    Reviewer()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    QHash<QString, std::function<void(DuplicateReviewWindow&)>> script;
    QStringList shown;
    QStringList problems;

private:
    void poll()
    {
        // A user looks at a group once it is on screen with its content check done.
        auto* w = qobject_cast<DuplicateReviewWindow*>(QApplication::activeModalWidget());
        if (m_busy || !w || !w->isVisible() || !w->contentChecked())
            return;
        m_busy = true;
        const QString title = w->windowTitle().mid(QStringLiteral("Verification Window - ").size());
        shown << title;
        if (auto f = script.value(title))
            f(*w);
        else
            w->onContinueClicked();
        if (w->isVisible()) {
            problems << QStringLiteral("group %1 was left open").arg(title);
            w->onContinueClicked();
        }
        m_busy = false;
    }

    QTimer m_timer;
    bool m_busy = false;
};

void clickRow(DuplicateReviewWindow& w, int r)
{
    QTest::mouseClick(w.rowsView(), Qt::LeftButton, {}, QPoint(40, r * DupRowsView::rowHeight() + 5));
}

void press(DuplicateReviewWindow& w, const char* button)
{
    QTest::mouseClick(w.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class DupSearchRunTest : public QObject
{
    Q_OBJECT
    QString m_manualHome;

private Q_SLOTS:
    void initTestCase()
    {
        InputGuard::setQuietMsForTests(0); // buttons are pressed the moment a window is up
        // ctest names the folders; run by hand, the test makes its own, so it never reaches the
        // real trash. Either way before GLib reads them (once per process).
        if (!qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
            const QString base = QDir::tempPath() + QStringLiteral("/bv-dupsearch-run-%1").arg(::getpid());
            m_manualHome = base;
            qputenv("HOME", QFile::encodeName(base));
            qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("/.local/share")));
            qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("/tmp")));
        }
        for (const char* var : {"TMPDIR", "XDG_DATA_HOME"})
            QDir().mkpath(qEnvironmentVariable(var));
    }

    void cleanupTestCase()
    {
        if (!m_manualHome.isEmpty())
            QDir(m_manualHome).removeRecursively();
    }

    void reviewedRunWritesTheExpectedLog()
    {
        TreeFixture tree{"a/Readme.TXT:100",
                         "b/readme.txt:100",
                         "notes/x/Notes.txt:10",
                         "notes/y/notes.TXT:2000",
                         "notes/z/NOTES.txt:1500000",
                         "p/photo.txt:1023",
                         "q/Photo.txt:1024",
                         "a/setup.exe:5",
                         "b/SETUP.EXE:5",
                         "a/shared.txt:40",
                         "b/shared.txt:40",
                         "c/shared.txt -> ../a/shared.txt",
                         "a/single.txt:1",
                         "a/.hidden.txt:1",
                         "b/.hidden.txt:1",
                         ".cache/readme.txt:1",
                         "a/zzz.txt:1",
                         "b/zzz.txt:1",
                         "a/gone.txt:1",
                         "b/gone.txt:1",
                         "a/half.txt:2",
                         "b/half.txt:2",
                         "c/half.txt:2"};
        tree.makeFile("a/" + TreeFixture::nonUtf8Name());
        tree.makeFile("c/" + TreeFixture::nonUtf8Name(), 3);
        tree.makeFile(QByteArray("a/a\nACTION: Delete.txt"), 7);
        tree.makeFile(QByteArray("b/a\nACTION: Delete.txt"), 7);
        const QByteArray pe = buildPe().bytes;
        writeFile(tree.path("a/sample.exe"), pe);
        writeFile(tree.path("b/Sample.exe"), pe);
        for (const QByteArray& f : {QByteArray("a/Readme.TXT"),
                                    QByteArray("b/readme.txt"),
                                    QByteArray("notes/x/Notes.txt"),
                                    QByteArray("notes/y/notes.TXT"),
                                    QByteArray("notes/z/NOTES.txt"),
                                    QByteArray("p/photo.txt"),
                                    QByteArray("q/Photo.txt"),
                                    QByteArray("a/setup.exe"),
                                    QByteArray("b/SETUP.EXE"),
                                    QByteArray("a/shared.txt"),
                                    QByteArray("b/shared.txt"),
                                    QByteArray("c/shared.txt"),
                                    QByteArray("a/single.txt"),
                                    QByteArray("a/zzz.txt"),
                                    QByteArray("b/zzz.txt"),
                                    QByteArray("a/sample.exe"),
                                    QByteArray("b/Sample.exe"),
                                    "a/" + TreeFixture::nonUtf8Name(),
                                    "c/" + TreeFixture::nonUtf8Name(),
                                    QByteArray("a/a\nACTION: Delete.txt"),
                                    QByteArray("b/a\nACTION: Delete.txt"),
                                    QByteArray("a/half.txt"),
                                    QByteArray("b/half.txt")})
            tree.setTimes(f, utc(2026, 1, 10), utc(2025, 6, 1));
        TreeFixture keep{"keep/"};

        DupHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerNo);  // the first Abort
        boxes.answer(AnswerYes); // the second
        Reviewer reviewer;
        QString failure;
        auto check = [&failure](bool ok, const char* what) {
            if (!ok && failure.isEmpty())
                failure = QString::fromLatin1(what);
        };

        // Files that go between the walk and their group's turn: a group left with one file is
        // not shown, one left with two shows those two.
        reviewer.script[QString::fromUtf8("caf\xef\xbf\xbd-latin1.txt")] = [&](DuplicateReviewWindow& w) {
            ::unlink(tree.path("b/gone.txt").constData());
            ::unlink(tree.path("c/half.txt").constData());
            press(w, "ContinueButton");
        };
        reviewer.script[QStringLiteral("half.txt")] = [&](DuplicateReviewWindow& w) {
            check(w.rowCount() == 2, "a vanished file is left out of its group");
            press(w, "ContinueButton");
        };
        reviewer.script[QStringLiteral("Notes.txt")] = [&](DuplicateReviewWindow& w) {
            check(h.state.SearchState == SearchState::Reviewing, "state while reviewing");
            // Down with nothing selected selects the first row, Down again the second; the
            // window sees the keys whichever control has the focus.
            QTest::keyClick(w.findChild<QPushButton*>(QStringLiteral("ContinueButton")), Qt::Key_Down);
            QTest::keyClick(w.findChild<QPushButton*>(QStringLiteral("ContinueButton")), Qt::Key_Down);
            check(w.selectedRow() == 1, "Down, Down selects row 2");
            QTest::keyClick(&w, Qt::Key_Up);
            QTest::keyClick(&w, Qt::Key_Down);
            check(w.pathLabelText() == QString::fromUtf8(tree.path("notes/y/notes.TXT")), "path label");
            press(w, "DeleteButton");
            // The middle row of three goes; the third moves up; nothing is selected.
            check(w.rowCount() == 2 && w.row(1).name == "NOTES.txt", "rows after deleting the middle one");
            check(w.selectedRow() == -1 && !w.findChild<QPushButton*>(QStringLiteral("DeleteButton"))->isEnabled(),
                  "no selection after a removal");
            check(w.pathLabelText().isEmpty(), "path label emptied");
            press(w, "ContinueButton");
        };
        reviewer.script[QStringLiteral("photo.txt")] = [&](DuplicateReviewWindow& w) {
            clickRow(w, 1);
            QTimer::singleShot(0, [&] {
                auto* move = qobject_cast<MoveForm*>(QApplication::activeModalWidget());
                if (!move) {
                    check(false, "move dialog");
                    return;
                }
                move->folderList()->setPath(keep.path("keep"));
                move->onOkClicked();
            });
            press(w, "MoveButton");
            check(exists(keep.path("keep/Photo.txt")) && !exists(tree.path("q/Photo.txt")), "file moved");
            check(w.row(1).folder == keep.path("keep"), "row shows the new folder");
            check(w.pathLabelText() == QString::fromUtf8(keep.path("keep/Photo.txt")), "label follows the file");
            press(w, "ContinueButton");
        };
        reviewer.script[QStringLiteral("Readme.TXT")] = [&](DuplicateReviewWindow& w) {
            clickRow(w, 0);
            press(w, "DeleteButton");
            // One of two removed: the other stays on show.
            check(w.isVisible() && w.rowCount() == 1 && w.row(0).name == "readme.txt", "one of two deleted");
            press(w, "ContinueButton");
        };
        reviewer.script[QStringLiteral("sample.exe")] = [&](DuplicateReviewWindow& w) {
            check(w.row(0).version == QStringLiteral("4.0.0.950"), "version of a Windows program");
            press(w, "AbortButton"); // answered No: the search goes on
        };
        reviewer.script[QStringLiteral("shared.txt")] = [&](DuplicateReviewWindow& w) {
            check(w.contentText(0) == QStringLiteral("Same content as row 2"), "same content");
            check(w.contentText(2) == QStringLiteral("A symbolic link: content not compared"), "link");
            press(w, "AbortButton"); // answered Yes: no more groups
        };

        h.fill(QStringLiteral("*.txt"), QStringLiteral("s*.*"), tree.root(), false);
        h.button("dBeginButton")->click();

        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(reviewer.problems.isEmpty(), qPrintable(reviewer.problems.join(QLatin1Char('\n'))));
        // Groups in name order, each once; the installation files and the group after the
        // Abort never shown.
        const QString odd = QString::fromUtf8("caf\xef\xbf\xbd-latin1.txt");
        QCOMPARE(reviewer.shown,
                 (QStringList{QStringLiteral("a\\u000AACTION: Delete.txt"), odd, QStringLiteral("half.txt"),
                              QStringLiteral("Notes.txt"), QStringLiteral("photo.txt"), QStringLiteral("Readme.TXT"),
                              QStringLiteral("sample.exe"), QStringLiteral("shared.txt")}));
        QCOMPARE(boxes.texts(), QStringList(2, QStringLiteral("Do you really want to cancel the search?")));
        QCOMPARE(h.logLines({{tree.root(), "@ROOT@"}, {keep.root(), "@KEEP@"}}), expectedLog("dupsearch_review.log"));
        QVERIFY(!exists(tree.path("notes/y/notes.TXT")));
        QVERIFY(!exists(tree.path("a/Readme.TXT")));
        for (const char* kept : {"notes/x/Notes.txt", "notes/z/NOTES.txt", "b/readme.txt", "a/zzz.txt", "b/zzz.txt"})
            QVERIFY2(exists(tree.path(kept)), kept);

        // Finished: totals printed, View Log and Done usable, entries locked, commands locked.
        QCOMPARE(h.panel->printedAt(2260, 4290), QStringLiteral(" 20 "));
        QCOMPARE(h.panel->printedAt(2260, 4640), QStringLiteral(" 2 "));
        QCOMPARE(h.panel->printedAt(5320, 4285), QStringLiteral(" 2100 "));
        QCOMPARE(h.button("dDoneButton")->text(), QStringLiteral("&Done"));
        QVERIFY(h.button("dViewLog")->isEnabled());
        QVERIFY(!h.button("dBeginButton")->isEnabled());
        QVERIFY(h.state.SearchState == SearchState::Finished);
        QVERIFY(!h.state.Log.isOpen());
        QCOMPARE(int(h.form->iconBarState()), 1);
        if (qEnvironmentVariableIsSet("BV_GRAB"))
            h.form->grab().save(qEnvironmentVariable("BV_GRAB"));

        // The log view hides the panel; its Close brings the panel back with its counters.
        h.button("dViewLog")->click();
        QVERIFY(h.panel->isHidden());
        QVERIFY(h.form->logPanel()->isVisible());
        QVERIFY(h.form->logPanel()->text().contains(QStringLiteral("ACTION: Abort Search")));
        QCOMPARE(int(h.form->iconBarState()), 2);
        h.panel->clearPrints();
        QTest::mouseClick(h.form->logPanel()->closeButton(), Qt::LeftButton);
        QVERIFY(h.form->logPanel()->isHidden());
        QVERIFY(h.panel->isVisible());
        QCOMPARE(int(h.form->iconBarState()), 1);
        QCOMPARE(h.panel->printedAt(2260, 4290), QStringLiteral(" 20 "));

        // Done: back to the idle window, the panel reset.
        h.button("dDoneButton")->click();
        QVERIFY(h.panel->isHidden());
        QCOMPARE(int(h.form->iconBarState()), 0);
        QCOMPARE(h.run().FilesChecked, 0);
        QVERIFY(h.button("dBeginButton")->isEnabled());
        QVERIFY(!h.button("dDoneButton")->isEnabled());
    }

    void cancelDuringTheWalkShowsNoGroup()
    {
        TreeFixture tree{"a/x.txt:1", "b/x.txt:1", "c/y.txt:1", "d/y.txt:1"};
        DupHarness h;
        // Every yield of the walk turns the event loop, so the click is seen at the first one.
        std::int64_t now = 0;
        h.form->setYieldClock([&now] { return now += 100; });
        ScriptedMessages boxes;
        boxes.answer(AnswerYes);
        Reviewer reviewer;
        h.fill(QStringLiteral("*.txt"), QString(), tree.root(), false);
        QMetaObject::invokeMethod(h.button("dDoneButton"), "click", Qt::QueuedConnection);
        h.button("dBeginButton")->click();

        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Do you really want to cancel the search?")});
        QVERIFY(reviewer.shown.isEmpty());
        const QList<QByteArray> lines = h.logLines({{tree.root(), "@ROOT@"}});
        const qsizetype abort = lines.indexOf("ACTION: Abort Search");
        QVERIFY(abort > 0);
        QCOMPARE(lines.mid(abort + 1), (QList<QByteArray>{"",
                                                          "Files matching the specified file type(s): " +
                                                              QByteArray::number(h.run().FilesMatched).prepend(' '),
                                                          "Number of files checked:  0", "Number of files removed:  0",
                                                          "Total bytes reclaimed: 0"}));
        QVERIFY(h.run().FilesMatched < 4);
        QCOMPARE(h.button("dDoneButton")->text(), QStringLiteral("&Done"));
        QVERIFY(h.state.SearchState == SearchState::Finished);
    }

    void aWorkingLogThatCannotBeMadeIsToldWithItsReason()
    {
        TreeFixture tree{"a/x.txt:1", "b/x.txt:1"};
        DupHarness h;
        QVERIFY(QDir(h.appFolder.path()).mkdir(QStringLiteral("temp.bv"))); // a folder where the log goes
        ScriptedMessages boxes;
        h.fill(QStringLiteral("*.txt"), QString(), tree.root(), false);
        h.button("dBeginButton")->click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("The search log could not be created: %1. Nothing was "
                                                           "searched.")
                                                .arg(QString::fromLocal8Bit(std::strerror(EISDIR)))});
        QVERIFY(h.button("dBeginButton")->isEnabled());
    }

    void entriesCheckedBeforeAnythingStarts_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("pathChosen");
        QTest::addColumn<bool>("noTrash");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");
        QTest::newRow("no pattern") << QString() << true << false
                                    << QStringLiteral("A search pattern was not specified.") << 48;
        QTest::newRow("no folder picked, default refused")
            << QStringLiteral("*.txt") << false << false
            << QStringLiteral("A search path was not specified. Would you like to use the default?") << 36;
        QTest::newRow("no trash on the volume") << QStringLiteral("*.txt") << true << true << QString() << 48;
    }
    void entriesCheckedBeforeAnythingStarts()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, pathChosen);
        QFETCH(bool, noTrash);
        QFETCH(QString, message);
        QFETCH(int, style);
        TreeFixture tree{"a/x.txt:1", "b/x.txt:1"};
        RecordingFileOps ops;
        if (noTrash)
            ops.noTrash = QStringLiteral("the volume has no trash");
        DupHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerNo);
        if (pathChosen)
            h.fill(pattern, QString(), tree.root(), true);
        else
            h.child<QComboBox>("SearchPattern2")->setEditText(pattern); // the folder list left as it opened
        h.button("dBeginButton")->click();

        if (noTrash)
            message = trashUnavailableText(displayPath(tree.root()), QStringLiteral("the volume has no trash"));
        QCOMPARE(boxes.texts(), QStringList{message});
        QCOMPARE(boxes.shown[0].style, style);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Brisvane!"));
        // Still editing: no log started, nothing touched.
        QVERIFY(!QFile::exists(h.appFolder.path() + QStringLiteral("/temp.bv")));
        QVERIFY(h.button("dBeginButton")->isEnabled());
        QVERIFY(!h.button("dDoneButton")->isEnabled());
        QVERIFY(h.state.SearchState == SearchState::Idle);
        QVERIFY(!ops.ops().contains("trash"));
    }

    // A folder the list shows but nobody picked is asked about once; Yes searches it.
    void theDefaultFolderIsAskedAboutOnce()
    {
        TreeFixture tree{"a/x.txt:1", "b/y.txt:1"};
        DupHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes);
        h.child<QComboBox>("SearchPattern2")->setEditText(QStringLiteral("*.txt"));
        h.child<DirList>("Dir2")->setPath(tree.root());
        h.button("dBeginButton")->click();
        const QString question = QStringLiteral("A search path was not specified. Would you like to use the default?");
        QCOMPARE(boxes.texts().count(question), 1);
        QCOMPARE(h.run().FilesMatched, 2);
    }
};

QTEST_MAIN(DupSearchRunTest)
#include "dupsearch_run_test.moc"
