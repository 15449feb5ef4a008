// SPDX-License-Identifier: GPL-3.0-or-later
// Whole file-search runs through the panel, headless, on fixture trees: what is removed, what
// the log says (line by line against an expected file for a complete run), the counters, and
// the paths where a removal must not happen: a refused removal, a volume without a trash, a
// file that changed, a confirmed Cancel, a log that cannot be written.
//
// Runs in its own process with HOME, XDG_DATA_HOME and TMPDIR in the build tree (ctest ENV), so
// the trash is a private one on the same file system as the fixture trees.
#include "filesearch_test_support.h"

#include "platform/fileops.h"
#include "platform/paths.h"
#include "common/recordedremoval.h"
#include "search/ui/verificationwindow.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

timespec utc(int y, int m, int d, int hh = 12)
{
    return {QDateTime(QDate(y, m, d), QTime(hh, 0), Qt::UTC).toSecsSinceEpoch(), 0};
}

bool exists(const QByteArray& path)
{
    return ::access(path.constData(), F_OK) == 0;
}

QList<QByteArray> expectedLog(const char* name)
{
    QFile f(QStringLiteral(BV_EXPECTED_DIR "/") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return {QByteArray("cannot read expected file ") + name};
    const QByteArray text = f.readAll();
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines) {
        if (!l.endsWith('\r'))
            return {QByteArray("expected file is not CR LF: ") + name};
        l.chop(1);
    }
    return lines;
}

// Real file operations with a hook after each removal, to act "while the run goes on".
class HookedOps : public FileOps
{
public:
    HookedOps() { setFileOps(this); }
    ~HookedOps() override { setFileOps(nullptr); }
    ActResult trash(const QByteArray& p, const FileInfo& l) override { return after(m_real.trash(p, l), p); }
    ActResult remove(const QByteArray& p, const FileInfo& l) override { return after(m_real.remove(p, l), p); }
    ActResult move(const QByteArray& p, const FileInfo& l, const QByteArray& d) override
    {
        return m_real.move(p, l, d);
    }
    ActResult restoreAccessTime(const QByteArray& p, const FileInfo& l, const timespec& t) override
    {
        return m_real.restoreAccessTime(p, l, t);
    }
    bool canTrashAt(const QByteArray& f, QString* why) override { return m_real.canTrashAt(f, why); }
    std::function<void(const QByteArray&)> afterRemoval;

private:
    ActResult after(ActResult r, const QByteArray& p)
    {
        if (afterRemoval)
            afterRemoval(p);
        return r;
    }
    RealFileOps m_real;
};

// Three old *.tmp files (removed by a "haven't been used" run), one recent, one too small.
void oldAndNew(TreeFixture& tree)
{
    tree.add({"a.tmp:100", "b.tmp:200", "c.tmp:300", "new.tmp:50", "keep.txt:10"});
    for (const char* f : {"a.tmp", "b.tmp", "c.tmp", "keep.txt"})
        tree.setTimes(f, utc(2026, 1, 10), utc(2026, 1, 10));
    tree.setTimes("new.tmp", utc(2026, 12, 1), utc(2026, 12, 1));
}

} // namespace

class FileSearchRunTest : public QObject
{
    Q_OBJECT
    QString m_manualHome;

private Q_SLOTS:
    void initTestCase()
    {
        // ctest names the folders; run by hand, the test makes its own, so it never reaches the
        // real trash. Either way before GLib reads them (once per process).
        if (!qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
            const QString base = QDir::tempPath() + QStringLiteral("/bv-filesearch-run-%1").arg(::getpid());
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

    void completeUnattendedDeleteWritesTheExpectedLog()
    {
        TreeFixture tree{"docs/report.tmp:1500", "docs/small.tmp:1499", "new.tmp:2000",  "old.TMP:3000",
                         "ro.tmp:1600",          ".hidden.tmp:1600",    "keep.txt:5000", ".hid/x.tmp:1600"};
        const timespec old = utc(2026, 1, 10);
        for (const char* f : {"docs/report.tmp", "docs/small.tmp", "ro.tmp", ".hidden.tmp", "keep.txt", ".hid/x.tmp"})
            tree.setTimes(f, old, old);
        tree.setTimes("old.TMP", utc(2025, 5, 5), utc(2025, 5, 5));
        tree.setTimes("new.tmp", utc(2026, 12, 1), utc(2026, 12, 1));
        tree.setMode("ro.tmp", 0444);

        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        PanelEntries e;
        e.bytes = "1,500";
        h.fill(e, tree.root());
        h.beginDeleting(boxes);

        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(h.logLines(tree.root()), expectedLog("filesearch_unattended_delete.log"));
        QVERIFY(h.logBytes().contains("\r\n"));
        for (const char* gone : {"old.TMP", "ro.tmp", "docs/report.tmp"})
            QVERIFY2(!exists(tree.path(gone)), gone);
        for (const char* kept : {"new.tmp", "docs/small.tmp", ".hidden.tmp", "keep.txt", ".hid/x.tmp"})
            QVERIFY2(exists(tree.path(kept)), kept);

        // Finished state: counters printed, View Log and Done usable, entries still locked.
        QCOMPARE(h.panel->printedAt(4390, 3940), QStringLiteral(" 5 "));
        QCOMPARE(h.panel->printedAt(2260, 4290), QStringLiteral(" 3 "));
        QCOMPARE(h.panel->printedAt(2260, 4640), QStringLiteral(" 3 "));
        QCOMPARE(h.panel->printedAt(5320, 4285), QStringLiteral(" 6100 "));
        QVERIFY(h.button("ViewLogButton")->isEnabled());
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
        QVERIFY(!h.button("BeginButton")->isEnabled());
        if (qEnvironmentVariableIsSet("BV_GRAB"))
            h.form->grab().save(qEnvironmentVariable("BV_GRAB"));
        QVERIFY(!h.state.Log.isOpen());
        QVERIFY(h.state.SearchState == SearchState::Ended);

        // Done returns to the idle window with the panel reset.
        h.button("DoneButton")->click();
        QVERIFY(h.panel->isHidden());
        QCOMPARE(h.run().FilesRemoved, 0);
        QVERIFY(!h.button("DoneButton")->isEnabled());
    }

    void unattendedRecycleUsesTheTrash()
    {
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        ScriptedMessages boxes;
        PanelEntries e;
        e.recycle = true;
        h.fill(e, tree.root());
        h.panel->onBeginClicked();

        QCOMPARE(boxes.shown.size(), 0);
        const QByteArray trash = qgetenv("XDG_DATA_HOME") + "/Trash";
        for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) {
            QVERIFY2(!exists(tree.path(name)), name);
            QFile info(QString::fromUtf8(trash + "/info/" + name + ".trashinfo"));
            QVERIFY2(info.open(QIODevice::ReadOnly), name);
            QVERIFY(info.readAll().contains("Path=" + tree.path(name)));
            QFile::remove(info.fileName());
            QFile::remove(QString::fromUtf8(trash + "/files/" + name));
        }
        const QList<QByteArray> lines = h.logLines(tree.root());
        QCOMPARE(lines.count("ACTION: Recycle Bin"), 3);
        QVERIFY(lines.contains("   Send all files to the Recycle Bin"));
        QCOMPARE(h.run().BytesReclaimed, 600);
    }

    void refusedRemovalsAreReportedAndNotCounted_data()
    {
        QTest::addColumn<bool>("recycle");
        QTest::addColumn<int>("status");
        QTest::newRow("delete refused") << false << int(ActOutcome::Refused);
        QTest::newRow("recycle refused") << true << int(ActOutcome::Refused);
        // A volume without a trash never falls back to deletion.
        QTest::newRow("no trash on the volume") << true << int(ActOutcome::NotSupported);
    }
    void refusedRemovalsAreReportedAndNotCounted()
    {
        QFETCH(bool, recycle);
        QFETCH(int, status);
        TreeFixture tree{"only.tmp:700"};
        tree.setTimes("only.tmp", utc(2026, 1, 1), utc(2026, 1, 1));
        RecordingFileOps ops;
        (recycle ? ops.failTrash : ops.failRemove) = ActResult{ActOutcome(status), QStringLiteral("refused")};
        PanelHarness h;
        ScriptedMessages boxes;
        PanelEntries e;
        e.recycle = recycle;
        h.fill(e, tree.root());
        if (recycle) {
            h.panel->onBeginClicked();
        } else {
            boxes.answer(AnswerYes); // deleting without a look
            h.beginDeleting(boxes);
        }

        QVERIFY(exists(tree.path("only.tmp")));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Could not remove ") + QString::fromUtf8(tree.path("only.tmp")) +
                                          QStringLiteral(" . Access to this file denied."));
        QCOMPARE(boxes.shown[0].style, 16);
        const QList<QByteArray> lines = h.logLines(tree.root());
        const qsizetype at = lines.indexOf("@ROOT@/only.tmp");
        QVERIFY(at > 0);
        QCOMPARE(lines.at(at + 4), QByteArray("ACTION: Access Denied"));
        QCOMPARE(lines.at(at + 5), QByteArray());
        QCOMPARE(h.run().FilesChecked, 0);
        QCOMPARE(h.run().FilesRemoved, 0);
        QCOMPARE(h.run().BytesReclaimed, 0); // bytes count only for files really removed
        QCOMPARE(h.run().FilesMatched, 1);
    }

    void recycleWhereTheVolumeHasNoTrashStartsNothing()
    {
        // Said once before the run, instead of a refusal per file; deletion never stands in.
        TreeFixture tree;
        oldAndNew(tree);
        RecordingFileOps ops;
        ops.noTrash = QStringLiteral("no trash here");
        PanelHarness h;
        ScriptedMessages boxes;
        PanelEntries e;
        e.recycle = true;
        h.fill(e, tree.root());
        h.panel->onBeginClicked();

        QCOMPARE(boxes.texts(),
                 QStringList{trashUnavailableText(displayPath(tree.root()), QStringLiteral("no trash here"))});
        QCOMPARE(boxes.shown[0].style, 48);
        QCOMPARE(ops.ops(), QList<QByteArray>{"canTrashAt"});
        QVERIFY(h.logBytes().isEmpty());
        QVERIFY(h.button("BeginButton")->isEnabled());
        QVERIFY(exists(tree.path("a.tmp")));
    }

    void confirmedCancelStopsBeforeTheNextRemoval()
    {
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        boxes.answer(AnswerYes);
        HookedOps ops;
        bool clicked = false;
        ops.afterRemoval = [&](const QByteArray&) {
            if (clicked)
                return;
            clicked = true;
            // The user presses Cancel while the first file is being removed.
            QMetaObject::invokeMethod(h.button("DoneButton"), "click", Qt::QueuedConnection);
        };
        h.fill(PanelEntries{}, tree.root());
        h.beginDeleting(boxes);

        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Do you really want to cancel the search?")});
        QCOMPARE(boxes.shown[0].style, 36);
        QVERIFY(!exists(tree.path("a.tmp")));
        QVERIFY(exists(tree.path("b.tmp")));
        QVERIFY(exists(tree.path("c.tmp")));
        const QList<QByteArray> lines = h.logLines(tree.root());
        const qsizetype abort = lines.indexOf("ACTION: Abort Search");
        QVERIFY(abort > 0);
        QCOMPARE(lines.at(abort - 2), QByteArray("ACTION: Delete"));
        QCOMPARE(lines.at(abort + 1), QByteArray());
        QVERIFY(lines.at(abort + 2).startsWith("Files matching the specified file type(s):"));
        QCOMPARE(lines.last(), QByteArray("Total bytes reclaimed:  100"));
        QCOMPARE(h.run().FilesRemoved, 1);
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
    }

    void cancelAnsweredNoChangesNothing()
    {
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        boxes.answer(AnswerNo);
        HookedOps ops;
        bool clicked = false;
        ops.afterRemoval = [&](const QByteArray&) {
            if (!std::exchange(clicked, true))
                QMetaObject::invokeMethod(h.button("DoneButton"), "click", Qt::QueuedConnection);
        };
        h.fill(PanelEntries{}, tree.root());
        h.beginDeleting(boxes);
        QCOMPARE(h.run().FilesRemoved, 3);
        QVERIFY(!h.logLines(tree.root()).contains("ACTION: Abort Search"));
    }

    void fileChangedBeforeItsRemovalIsLeftAlone()
    {
        // Someone appends to b.tmp while the run is busy with a.tmp. The change is posted to the
        // event loop; with the run's own yields held still, it lands in the pass right before
        // b.tmp's removal, after b.tmp was examined.
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        h.form->setYieldClock([] { return std::int64_t(0); });
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        HookedOps ops;
        ops.afterRemoval = [&](const QByteArray& path) {
            if (!path.endsWith("/a.tmp"))
                return;
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    QFile f(QString::fromUtf8(tree.path("b.tmp")));
                    if (f.open(QIODevice::Append))
                        f.write("more");
                },
                Qt::QueuedConnection);
        };
        h.fill(PanelEntries{}, tree.root());
        h.beginDeleting(boxes);
        QVERIFY(!exists(tree.path("c.tmp")));
        QVERIFY(exists(tree.path("b.tmp")));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QString::fromUtf8(tree.path("b.tmp")) +
                                          QStringLiteral(" has changed since it was found. It was left in place."));
        const QList<QByteArray> lines = h.logLines(tree.root());
        const qsizetype at = lines.indexOf("@ROOT@/b.tmp");
        QCOMPARE(lines.at(at + 4), QByteArray("ACTION: Skipped - File Changed Since It Was Listed"));
        QCOMPARE(h.run().FilesRemoved, 2);
        QCOMPARE(h.run().BytesReclaimed, 400);
    }

    void fileGoneAtItsRemovalIsLogged()
    {
        TreeFixture tree{"gone.tmp:10"};
        tree.setTimes("gone.tmp", utc(2026, 1, 1), utc(2026, 1, 1));
        RecordingFileOps ops;
        ops.failRemove = ActResult{ActOutcome::Vanished, QStringLiteral("gone")};
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        h.fill(PanelEntries{}, tree.root());
        h.beginDeleting(boxes);
        QCOMPARE(boxes.shown.size(), 0);
        const QList<QByteArray> lines = h.logLines(tree.root());
        QVERIFY(lines.contains("ACTION: Skipped - File No Longer Exists"));
        QCOMPARE(h.run().FilesRemoved, 0);
        QCOMPARE(h.run().BytesReclaimed, 0);
    }

    void logThatCannotBeWrittenStopsBeforeAnyRemoval()
    {
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        h.fill(PanelEntries{}, tree.root());

        // Room for the header only: the first file's block cannot be written.
        FileSearchEntries entries;
        entries.pattern0 = QStringLiteral("*.tmp");
        entries.instruction = QStringLiteral("haven't been used");
        entries.sinceText = QStringLiteral("since");
        entries.dateText = QStringLiteral("6/1/2026");
        entries.recycle = entries.verify = false;
        FileSearchCriteria criteria = validateEntries(entries).criteria;
        criteria.folder = tree.root();
        qint64 headerBytes = 0;
        for (const QByteArray& line : headerLines(criteria, h.state.Now()))
            headerBytes += line.size() + 2;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(headerBytes + 5);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        h.beginDeleting(boxes);
        ::setrlimit(RLIMIT_FSIZE, &saved);

        for (const char* name : {"a.tmp", "b.tmp", "c.tmp"})
            QVERIFY2(exists(tree.path(name)), name);
        QCOMPARE(boxes.shown.size(), 1); // told once
        QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("The search log could not be written")));
        QCOMPARE(boxes.shown[0].style, 16);
        QCOMPARE(h.run().FilesRemoved, 0);
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
    }

    void startThatFailsReturnsThePanelToEditing()
    {
        TreeFixture tree;
        oldAndNew(tree);
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        h.fill(PanelEntries{}, tree.root());
        // The working log's place is taken by a folder: it cannot be opened.
        QVERIFY(QDir().mkpath(h.appFolder.path() + QStringLiteral("/temp.bv")));
        h.beginDeleting(boxes);

        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("You do not have enough available memory")));
        QVERIFY(h.button("BeginButton")->isEnabled());
        QVERIFY(h.pattern(0)->isEnabled());
        QVERIFY(!h.button("DoneButton")->isEnabled());
        QVERIFY(!h.state.Log.isOpen());
        QVERIFY(exists(tree.path("a.tmp")));
    }

    void walkThatCannotRunIsNeverReportedAsComplete()
    {
        // A trash folder is never searched: the walk ends with an error at once.
        TreeFixture tree{".Trash/old/a.tmp:10"};
        tree.setTimes(".Trash/old/a.tmp", utc(2026, 1, 1), utc(2026, 1, 1));
        PanelHarness h;
        ScriptedMessages boxes;
        boxes.answer(AnswerYes); // deleting without a look
        h.fill(PanelEntries{}, tree.path(".Trash/old"));
        h.beginDeleting(boxes);

        QVERIFY(exists(tree.path(".Trash/old/a.tmp")));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("The search could not be completed: ")));
        QVERIFY(boxes.shown[0].text.endsWith(QStringLiteral("The files after that point were not checked.")));
        const QList<QByteArray> lines = h.logLines(tree.root());
        const qsizetype at = lines.indexOf("Files matching the specified file type(s):  0");
        QVERIFY(at > 2);
        QVERIFY(lines.at(at - 2).startsWith("The search ended early: "));
        QCOMPARE(h.button("DoneButton")->text(), QStringLiteral("&Done"));
    }

    void aStartFolderReplacedAfterItWasChosenStartsNothing()
    {
        // The panel shows "tree"; before Begin, "tree" becomes a link to another folder.
        TreeFixture tree{"tree/a.tmp:100", "outside/b.tmp:100"};
        for (const char* f : {"tree/a.tmp", "outside/b.tmp"})
            tree.setTimes(f, utc(2026, 1, 10), utc(2026, 1, 10));
        PanelHarness h;
        ScriptedMessages boxes;
        h.fill(PanelEntries{}, tree.path("tree"));
        QCOMPARE(::rename(tree.path("tree").constData(), tree.path("tree.old").constData()), 0);
        tree.makeSymlink("tree", "outside");
        h.panel->onBeginClicked();

        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("The folder %1 has changed since it was chosen. Choose it "
                                                           "again.")
                                                .arg(displayPath(tree.path("tree")))});
        QVERIFY(exists(tree.path("outside/b.tmp")));
        QVERIFY(h.logBytes().isEmpty());
        QVERIFY(h.button("BeginButton")->isEnabled());
    }

    void aSignalWithTheVerificationWindowUpEndsTheRunAsAtAbort()
    {
        TreeFixture tree{"one.tmp:100", "two.tmp:100"};
        for (const char* f : {"one.tmp", "two.tmp"})
            tree.setTimes(f, utc(2026, 1, 10), utc(2026, 1, 10));
        PanelHarness h;
        ScriptedMessages boxes;
        PanelEntries e;
        e.verify = true;
        h.fill(e, tree.root());
        int ticks = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* window = qobject_cast<VerificationWindow*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible())
                return;
            if (ticks++ == 0)
                h.form->quitRequested(); // what SIGTERM or the session's end does
            else if (ticks > 300)
                window->onIgnoreClicked(); // still waiting 3 s later: end the test, failed
        });
        watch.start(10);
        h.panel->onBeginClicked();
        watch.stop();
        // The program's own event loop was asked to end; end it here as main() would.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();

        QCOMPARE(h.run().FilesChecked, 1); // the second file was never shown
        QVERIFY(boxes.shown.isEmpty());    // nothing asked: nobody may be there to answer
        QVERIFY(exists(tree.path("one.tmp")) && exists(tree.path("two.tmp")));
        const QList<QByteArray> lines = h.logLines(tree.root());
        QVERIFY(!lines.contains("@ROOT@/one.tmp") && !lines.contains("@ROOT@/two.tmp"));
        QVERIFY(lines.contains("ACTION: Abort Search"));
        QCOMPARE(lines.last(), QByteArray("Total bytes reclaimed:  0"));
        QVERIFY(h.logBytes().endsWith("\r\n"));
    }

    void verificationWindowGetsEachMatchedFile()
    {
        TreeFixture tree{"one.tmp:2000"};
        tree.setTimes("one.tmp", utc(2026, 2, 3), utc(2026, 2, 3));
        PanelHarness h;
        ScriptedMessages boxes;
        PanelEntries e;
        e.verify = true;
        h.fill(e, tree.root());
        int shown = 0;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* window = qobject_cast<VerificationWindow*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible())
                return;
            ++shown;
            window->onIgnoreClicked();
        });
        answer.start(10);
        h.panel->onBeginClicked();
        answer.stop();

        QCOMPARE(shown, 1);
        QVERIFY(exists(tree.path("one.tmp")));
        const QList<QByteArray> lines = h.logLines(tree.root());
        const qsizetype at = lines.indexOf("@ROOT@/one.tmp");
        QVERIFY(at > 0);
        QCOMPARE(lines.mid(at + 1, 4),
                 (QList<QByteArray>{"...It Was Last Used On 2/3/2026", "...File Size Is  2000 Bytes",
                                    "...It's A Normal File", "ACTION: Ignore"}));
        QCOMPARE(h.run().FilesChecked, 1); // checked, not removed
        QCOMPARE(h.run().FilesRemoved, 0);
    }
};

QTEST_MAIN(FileSearchRunTest)
#include "filesearch_run_test.moc"
