// SPDX-License-Identifier: GPL-3.0-or-later
// Whole Quick Clean runs through the window, headless, on fixture trees presented as a drive,
// with the tree's "tmp" as the temporary folder: what goes and what stays, the counts, and every
// path on which nothing may be removed (a trash folder, another user's file, a file in use or
// one that comes into use, a refused removal, a volume without a trash or read-only, a folder
// the user may not change, a confirmed Cancel).
//
// As root (CI) a clean reaches only the temporary folder and root's home, so the ordinary
// folders of these trees lie below the temporary folder "tmp". The window's clock stands three
// days ahead, so the fixture's files are old enough for the temporary folder's rule.
#include "platform/fileops.h"
#include "platform/paths.h"
#include "quickclean/quickcleanrun.h"
#include "quickclean/ui/quickcleanwindow.h"
#include "common/recordedremoval.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"
#include "tests/support/ui/fake_host.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <memory>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

const QDateTime kNow = QDateTime::currentDateTime().addDays(3);

// A tree that uid 65534 can reach, or none: the checkout may lie below a folder only its owner
// may enter, so the tree goes to /tmp where the usual temporary folder does not let others by.
std::unique_ptr<TreeFixture> treeOthersCanReach(std::initializer_list<const char*> entries)
{
    const QByteArray saved = qgetenv("TMPDIR");
    for (QByteArray f = saved; f.startsWith('/') && f != "/"; f = folderOf(f)) {
        struct stat st;
        if (::stat(f.constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            qputenv("TMPDIR", "/tmp");
    }
    auto tree = std::make_unique<TreeFixture>(entries);
    qputenv("TMPDIR", saved);
    tree->openToOthers();
    return tree;
}

// One opening of the window over a fake host, the tree as its only drive. Letters of `ticked`:
// t *.TMP, b *.BAK, f *.FTS, d *.$$$, w temporary folder, i browser cache, r Recycle Bin,
// s Sample Run; every box not named is cleared.
struct Window
{
    AppState state;
    FakeHost host{state};
    QuickCleanWindow window{host, host.dialogParent()};

    Window(const TreeFixture& tree, const char* ticked)
    {
        state.Now = [] { return kNow; };
        window.setTempFolder(tree.path("tmp"));
        window.setDrives({{tree.root(), QStringLiteral("fixture")}}, tree.root());
        const QByteArray t(ticked);
        const std::pair<const char*, char> boxes[] = {{"TempCheck", 't'},    {"BakCheck", 'b'},     {"FtsCheck", 'f'},
                                                      {"DoeCheck", 'd'},     {"WindowsCheck", 'w'}, {"IECheck", 'i'},
                                                      {"RecycleCheck", 'r'}, {"SampleCheck", 's'}};
        for (const auto& [name, letter] : boxes) {
            QCheckBox* box = child<QCheckBox>(name);
            if (box->isChecked() != t.contains(letter))
                box->click(); // as the user does, so the Sample Run box moves the counts
        }
        window.show();
    }

    template <typename T> T* child(const char* name) const { return window.findChild<T*>(QString::fromLatin1(name)); }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    QString cancelCaption() const { return child<QPushButton>("CancelButton")->text(); }
    // A run that deletes asks once before it starts (the run's own test covers the question):
    // the user answers Yes, and the question is taken off the boxes shown, so a test sees what
    // the run said about its files.
    void start()
    {
        auto* boxes = dynamic_cast<ScriptedMessages*>(messageService());
        const QuickCleanChoices c = window.choices();
        const bool asks = boxes && !c.sample && !c.recycle;
        const qsizetype before = asks ? boxes->shown.size() : 0;
        if (asks)
            boxes->answer(AnswerYes);
        window.onStartClicked();
        if (asks && boxes->shown.size() > before && boxes->shown[before].text == deleteWithoutTrashQuestion())
            boxes->shown.removeAt(before);
    }
};

// Real file operations with a hook after each removal, to act while the run goes on.
class HookedOps : public FileOps
{
public:
    HookedOps() { setFileOps(this); }
    ~HookedOps() override { setFileOps(nullptr); }
    ActResult trash(const QByteArray& p, const FileInfo& l) override { return after(m_real.trash(p, l)); }
    ActResult remove(const QByteArray& p, const FileInfo& l) override { return after(m_real.remove(p, l)); }
    ActResult move(const QByteArray& p, const FileInfo& l, const QByteArray& d) override
    {
        return m_real.move(p, l, d);
    }
    ActResult restoreAccessTime(const QByteArray& p, const FileInfo& l, const timespec& t) override
    {
        return m_real.restoreAccessTime(p, l, t);
    }
    bool canTrashAt(const QByteArray& f, QString* why) override { return m_real.canTrashAt(f, why); }
    std::function<void()> afterRemoval;

private:
    ActResult after(ActResult r)
    {
        if (afterRemoval)
            afterRemoval();
        return r;
    }
    RealFileOps m_real;
};

} // namespace

class QuickCleanWindowTest : public QObject
{
    Q_OBJECT
    QByteArray m_tmpdir;
    QByteArray m_dataHome;
    QString m_manualHome;

private Q_SLOTS:
    void initTestCase()
    {
        // ctest names the folders; run by hand, the test makes its own, so it never reaches the
        // real trash. Either way before GLib reads them (once per process).
        if (!qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
            m_manualHome = QDir::tempPath() + QStringLiteral("/bv-quickclean-%1").arg(::getpid());
            qputenv("HOME", QFile::encodeName(m_manualHome));
            qputenv("XDG_DATA_HOME", QFile::encodeName(m_manualHome + QStringLiteral("/.local/share")));
            qputenv("TMPDIR", QFile::encodeName(m_manualHome + QStringLiteral("/tmp")));
        }
        for (const char* var : {"TMPDIR", "XDG_DATA_HOME"})
            QDir().mkpath(qEnvironmentVariable(var));
        m_tmpdir = qgetenv("TMPDIR");
        m_dataHome = qgetenv("XDG_DATA_HOME");
        // GLib takes its folders now, before a test points XDG_DATA_HOME elsewhere for the walk.
        fileOps().canTrashAt(m_tmpdir, nullptr);
    }

    void cleanup()
    {
        // Fixtures are made under TMPDIR; each run points it into its own tree.
        qputenv("TMPDIR", m_tmpdir);
        qputenv("XDG_DATA_HOME", m_dataHome);
    }

    void cleanupTestCase()
    {
        if (!m_manualHome.isEmpty())
            QDir(m_manualHome).removeRecursively();
    }

    void theTemporaryFolderAloneIsEmptiedOfItsOwnFiles()
    {
        TreeFixture tree{"tmp/a.txt:10", "tmp/b.TMP:5", "tmp/.X0-lock", "tmp/sub/c.txt", "tmp/docs/d.tmp"};
        tree.makeFifo("tmp/fifo");
        ScriptedMessages boxes;
        Window w(tree, "w");
        w.start();

        QVERIFY(!exists(tree.path("tmp/a.txt")));
        QVERIFY(!exists(tree.path("tmp/b.TMP")));
        for (const char* stays : {"tmp/.X0-lock", "tmp/fifo", "tmp/sub/c.txt", "tmp/docs/d.tmp"})
            QVERIFY2(exists(tree.path(stays)), stays);
        QCOMPARE(w.text("Killed"), QStringLiteral("2"));
        QCOMPARE(w.text("ReclaimedBytes"), QStringLiteral("15"));
        QCOMPARE(boxes.shown.size(), 0);
        // Which folder the box's classic caption means here.
        QVERIFY(w.child<QCheckBox>("WindowsCheck")->toolTip().contains(displayPath(tree.path("tmp"))));
        // The closing steps: "&Done", the inputs stay disabled, "Done." on the status line.
        QCOMPARE(w.cancelCaption(), QStringLiteral("&Done"));
        QVERIFY(!w.child<QLabel>("Status")->isVisible());
        QVERIFY(!w.child<QPushButton>("StartButton")->isEnabled());
        QVERIFY(!w.child<QCheckBox>("RecycleCheck")->isEnabled());
        QCOMPARE(w.host.statuses.last(), QStringLiteral("Done."));
        QCOMPARE(w.host.flood.count(QChar(0x2592)), 12);
        QCOMPARE(w.state.SearchState, SearchState::Ended);
    }

    void theTypesDoNotTakeTheTemporaryFolderTwice()
    {
        TreeFixture tree{"tmp/a.tmp:3", "tmp/b.txt:4", "tmp/docs/c.bak:6", "tmp/docs/e.tmp:1"};
        ScriptedMessages boxes;
        Window w(tree, "tbw");
        w.start();
        QCOMPARE(boxes.shown.size(), 0); // a second removal of a.tmp would fail with a message
        QCOMPARE(w.text("Killed"), QStringLiteral("4"));
        QCOMPARE(w.text("ReclaimedBytes"), QStringLiteral("14"));
    }

    void trashFoldersAndOtherFoldersThanTheCacheStay()
    {
        TreeFixture tree{"tmp/docs/x.TMP",
                         "tmp/.Trash-0/files/y.TMP",
                         "tmp/.Trash/z.tmp",
                         "tmp/share/Trash/files/w.tmp",
                         "tmp/win/Temporary Internet Files/Cache1/a.gif:7",
                         "tmp/win/TEMPORARY INTERNET FILES/cache2/.b.dat:2",
                         "tmp/win/Temporary Internet Files/Cache5/c.gif",
                         "tmp/win/Temporary Internet Files/d.gif"};
        qputenv("XDG_DATA_HOME", tree.path("tmp/share")); // the user's own trash, found by identity
        ScriptedMessages boxes;
        Window w(tree, "ti");
        w.start();
        for (const char* goes : {"tmp/docs/x.TMP", "tmp/win/Temporary Internet Files/Cache1/a.gif",
                                 "tmp/win/TEMPORARY INTERNET FILES/cache2/.b.dat"})
            QVERIFY2(!exists(tree.path(goes)), goes);
        for (const char* stays :
             {"tmp/.Trash-0/files/y.TMP", "tmp/.Trash/z.tmp", "tmp/share/Trash/files/w.tmp",
              "tmp/win/Temporary Internet Files/Cache5/c.gif", "tmp/win/Temporary Internet Files/d.gif"})
            QVERIFY2(exists(tree.path(stays)), stays);
        QCOMPARE(w.text("Killed"), QStringLiteral("3"));
        QCOMPARE(boxes.shown.size(), 0);
    }

    void aSampleRunCountsWhatARealRunThenRemoves()
    {
        TreeFixture tree{"tmp/a.txt:1000",   "tmp/.lock:1",          "tmp/docs/b.tmp:2000", "tmp/docs/c.bak:30",
                         "tmp/docs/d.txt:4", "tmp/docs/held.tmp:40", "tmp/x/y.$$$:5",       "tmp/x/z.FTS:6"};
        const QByteArray held = tree.path("tmp/docs/held.tmp");
        const int fd = ::open(held.constData(), O_RDONLY); // a program still uses it
        QVERIFY(fd >= 0);
        // The session's own files in the temporary folder, held open by nobody: a ticket cache
        // read an hour ago, an authority file written an hour ago.
        tree.add({"tmp/krb5cc_0:50", "tmp/xauth_Xq:60"});
        const timespec hourAgo{kNow.toSecsSinceEpoch() - 3600, 0}, longAgo{kNow.toSecsSinceEpoch() - 86400 * 2, 0};
        tree.setTimes("tmp/krb5cc_0", hourAgo, longAgo);
        tree.setTimes("tmp/xauth_Xq", longAgo, hourAgo);

        ScriptedMessages boxes;
        QString found, total;
        {
            Window sample(tree, "tbdws");
            QCOMPARE(sample.text("Label1_3"), QStringLiteral("Files found:"));
            QCOMPARE(sample.text("Label1_4"), QStringLiteral("Total bytes:"));
            QLabel* killed = sample.child<QLabel>("Killed");
            const int left = killed->x();
            sample.start();
            found = sample.text("Killed");
            total = sample.text("ReclaimedBytes");
            QCOMPARE(boxes.shown.size(), 0); // a sample run fails nothing, so it says nothing
            // Cleared again, the captions and the counts' places come back.
            sample.child<QCheckBox>("SampleCheck")->setEnabled(true);
            sample.child<QCheckBox>("SampleCheck")->click();
            QCOMPARE(sample.text("Label1_3"), QStringLiteral("Files removed:"));
            QCOMPARE(sample.text("Label1_4"), QStringLiteral("Bytes reclaimed:"));
            QVERIFY(killed->x() > left);
        }
        for (const char* f : {"tmp/a.txt", "tmp/docs/b.tmp", "tmp/docs/c.bak", "tmp/x/y.$$$"})
            QVERIFY2(exists(tree.path(f)), f); // a sample removes nothing
        QCOMPARE(found, QStringLiteral("4"));
        QCOMPARE(total, QStringLiteral("3,035"));

        Window real(tree, "tbdw");
        real.start();
        QCOMPARE(real.text("Killed"), found);
        QCOMPARE(real.text("ReclaimedBytes"), total);
        for (const char* goes : {"tmp/a.txt", "tmp/docs/b.tmp", "tmp/docs/c.bak", "tmp/x/y.$$$"})
            QVERIFY2(!exists(tree.path(goes)), goes);
        for (const char* stays :
             {"tmp/.lock", "tmp/docs/d.txt", "tmp/docs/held.tmp", "tmp/x/z.FTS", "tmp/krb5cc_0", "tmp/xauth_Xq"})
            QVERIFY2(exists(tree.path(stays)), stays);
        // The file in use takes the failure path: one message, not counted.
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Could not remove: ") + displayPath(held)});
        QCOMPARE(boxes.shown[0].style, int(MsgCritical));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Brisvane!"));
        ::close(fd);
    }

    void aReadOnlyBakGoesToTheTrash()
    {
        TreeFixture tree{"tmp/docs/old.BAK:9"};
        tree.setMode("tmp/docs/old.BAK", 0444);
        ScriptedMessages boxes;
        Window w(tree, "br");
        w.start();
        QCOMPARE(boxes.shown.size(), 0);
        QVERIFY(!exists(tree.path("tmp/docs/old.BAK")));
        QVERIFY(exists(m_dataHome + "/Trash/files/old.BAK"));
        QCOMPARE(w.text("Killed"), QStringLiteral("1"));
        QCOMPARE(w.text("ReclaimedBytes"), QStringLiteral("9"));
    }

    void refusalsAreToldOnceAndNeverDeletedInstead()
    {
        const ActResult denied{ActOutcome::Refused, QStringLiteral("Operation not permitted")};
        const QString why = QStringLiteral("The desktop does not keep a trash on this volume.");
        enum Fault { RemoveFails, TrashFails, NoTrash };
        const struct
        {
            Fault fault;
            const char* ticked;
            QList<QByteArray> ops;
            bool ran;
        } rows[] = {
            {RemoveFails, "b", {"remove"}, true},
            {TrashFails, "br", {"canTrashAt", "trash"}, true},
            {NoTrash, "br", {"canTrashAt"}, false},
        };
        for (const auto& r : rows) {
            TreeFixture tree{"tmp/docs/a.bak:4"};
            RecordingFileOps ops;
            if (r.fault == RemoveFails)
                ops.failRemove = denied;
            if (r.fault == TrashFails)
                ops.failTrash = denied;
            if (r.fault == NoTrash)
                ops.noTrash = why;
            ScriptedMessages boxes;
            Window w(tree, r.ticked);
            w.start();

            QVERIFY(exists(tree.path("tmp/docs/a.bak")));
            QCOMPARE(ops.ops(), r.ops);
            QCOMPARE(w.text("Killed"), QString());
            QCOMPARE(w.state.SearchState == SearchState::Ended, r.ran);
            QCOMPARE(w.child<QPushButton>("StartButton")->isEnabled(), !r.ran);
            switch (r.fault) {
            case RemoveFails:
                QCOMPARE(boxes.texts(),
                         QStringList{QStringLiteral("Could not remove: ") + displayPath(tree.path("tmp/docs/a.bak"))});
                QCOMPARE(boxes.shown[0].style, int(MsgCritical));
                break;
            case TrashFails: // skipped without a word, as a refused recycle always was
                QCOMPARE(boxes.shown.size(), 0);
                break;
            case NoTrash:
                QCOMPARE(boxes.texts(), QStringList{trashUnavailableText(displayPath(tree.root()), why)});
                break;
            }
            qputenv("TMPDIR", m_tmpdir);
        }
    }

    void anotherUsersFileStaysWithoutAWord()
    {
        // And a file of ours in a folder of root's: the sample run counts only what the real run
        // removes, and each says once what stayed there.
        const auto tree = treeOthersCanReach({"tmp/mine.txt:3", "tmp/theirs.txt", "tmp/docs/mine.tmp:4",
                                              "tmp/docs/theirs.tmp", "tmp/rootdir/mine.tmp:7"});
        tree->setMode("tmp", 01777); // a shared temporary folder
        for (const char* own : {"tmp/mine.txt", "tmp/docs/mine.tmp", "tmp/docs", "tmp/rootdir/mine.tmp"})
            QVERIFY(::lchown(tree->path(own).constData(), 65534, 65534) == 0);

        const ChildResult child = runInChild({.asNobody = true}, [&] {
            ScriptedMessages boxes;
            QByteArray out;
            for (const char* ticked : {"tws", "tw"}) {
                Window w(*tree, ticked);
                w.start();
                out += w.text("Killed").toUtf8() + '\n';
            }
            return out + boxes.texts().join('\n').toUtf8();
        });
        if (!child.ran)
            QSKIP("cannot switch to another user here");
        QCOMPARE(child.exitCode, 0);
        QCOMPARE(QString::fromUtf8(child.output),
                 QStringLiteral("2\n2\n1 file was not counted because you may not change the folder that holds it, "
                                "%1.\n1 file was not removed because you may not change the folder that holds it, %1.")
                     .arg(displayPath(tree->path("tmp/rootdir"))));
        for (const char* goes : {"tmp/mine.txt", "tmp/docs/mine.tmp"})
            QVERIFY(!exists(tree->path(goes)));
        for (const char* stays : {"tmp/theirs.txt", "tmp/docs/theirs.tmp", "tmp/rootdir/mine.tmp"})
            QVERIFY(exists(tree->path(stays)));
    }

    void aReadOnlyDriveIsToldOnceBeforeAnything()
    {
        TreeFixture tree{"tmp/a.bak:1", "tmp/docs/b.bak:2", "tmp/docs/c.bak:3"};
        const ChildResult child = runInChild({.privateMounts = true}, [&] {
            const QByteArray root = tree.root();
            if (::mount(root.constData(), root.constData(), nullptr, MS_BIND, nullptr) != 0 ||
                ::mount(nullptr, root.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
                return QByteArray("no mounts");
            ScriptedMessages boxes;
            Window w(tree, "b");
            w.start();
            return boxes.texts().join('\n').toUtf8();
        });
        if (!child.ran || child.output == "no mounts")
            QSKIP("cannot make mounts here");
        QCOMPARE(child.exitCode, 0);
        QCOMPARE(QString::fromUtf8(child.output),
                 QStringLiteral("Files in %1 cannot be removed: the drive is read-only. Nothing was removed.")
                     .arg(displayPath(tree.root())));
    }

    void aFileThatComesIntoUseDuringTheRunStays()
    {
        TreeFixture tree{"tmp/a/first.tmp:1", "tmp/b/later.tmp:2"};
        HookedOps ops;
        ScriptedMessages boxes;
        Window w(tree, "t");
        int held = -1;
        ops.afterRemoval = [&] {
            if (held < 0) // a program opens the next folder's file after the run began
                held = ::open(tree.path("tmp/b/later.tmp").constData(), O_RDONLY);
        };
        w.start();
        QVERIFY(held >= 0);
        QVERIFY(!exists(tree.path("tmp/a/first.tmp")));
        QVERIFY(exists(tree.path("tmp/b/later.tmp")));
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("Could not remove: ") + displayPath(tree.path("tmp/b/later.tmp"))});
        QCOMPARE(w.text("Killed"), QStringLiteral("1"));
        ::close(held);
    }

    void theCountsMoveWhileALargeFolderIsTaken()
    {
        // Tens of thousands of files in one folder: the window answers and shows the counts
        // between its files, not only once the folder is done.
        TreeFixture tree;
        tree.makeWide("tmp", 60000);
        Window w(tree, "ws");
        QSet<QString> seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] { seen << w.text("Killed"); });
        poll.start(0);
        w.start();
        QCOMPARE(w.text("Killed"), QStringLiteral("60000"));
        seen -= {QString(), QStringLiteral("60000")};
        QVERIFY2(!seen.isEmpty(), "no count was shown before the folder was done");
    }

    void aConfirmedCancelEndsWithDoneAndTheCountsSoFar()
    {
        // Cancel asked and answered No, then Yes; and the close box answered Yes.
        for (const bool byCloseBox : {false, true}) {
            TreeFixture tree{"tmp/docs/a.tmp:1", "tmp/docs/b.tmp:1", "tmp/docs/c.tmp:1", "tmp/docs/d.tmp:1"};
            HookedOps ops;
            ScriptedMessages boxes;
            Window w(tree, "t");
            int removals = 0;
            ops.afterRemoval = [&] {
                ++removals;
                if (byCloseBox && removals == 2) {
                    boxes.answer(AnswerYes);
                    w.window.close();
                } else if (!byCloseBox && removals <= 2) {
                    boxes.answer(removals == 1 ? AnswerNo : AnswerYes);
                    w.window.onCancelClicked();
                }
            };
            w.start();

            QCOMPARE(removals, 2);
            QCOMPARE(w.text("Killed"), QStringLiteral("2"));
            QCOMPARE(w.cancelCaption(), QStringLiteral("&Done"));
            QVERIFY(exists(tree.path("tmp/docs/c.tmp")));
            QVERIFY(exists(tree.path("tmp/docs/d.tmp")));
            const QString question = byCloseBox ? QStringLiteral("A search is currently in progress. Do you wish to "
                                                                 "cancel it?")
                                                : QStringLiteral("Do you really want to cancel the search?");
            QCOMPARE(boxes.texts(), QStringList(byCloseBox ? 1 : 2, question));
            QCOMPARE(boxes.shown.last().style, int(MsgQuestion));
            QCOMPARE(w.window.isVisible(), !byCloseBox);
            qputenv("TMPDIR", m_tmpdir);
        }
    }

    void aCancelPressedRightAfterStartIsAsked()
    {
        // The click waits in the queue while Start prepares the run: it must meet a running
        // run (the question), not a window that closes and cleans on unseen.
        TreeFixture tree{"tmp/docs/a.tmp:1", "tmp/docs/b.tmp:1"};
        ScriptedMessages boxes;
        boxes.answer(AnswerYes);
        Window w(tree, "t");
        QMetaObject::invokeMethod(w.child<QPushButton>("CancelButton"), "click", Qt::QueuedConnection);
        w.start();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Do you really want to cancel the search?")});
        QVERIFY(w.window.isVisible());
        QCOMPARE(w.cancelCaption(), QStringLiteral("&Done"));
        QVERIFY(exists(tree.path("tmp/docs/a.tmp")));
        QVERIFY(exists(tree.path("tmp/docs/b.tmp")));
    }

    void aDriveThatCannotBeReachedIsPutBack()
    {
        TreeFixture tree{"tmp/", "other/tmp/x.tmp"};
        ScriptedMessages boxes;
        Window w(tree, "t");
        DriveList* drives = w.child<DriveList>("Drive1");
        w.window.setDrives({{tree.root(), QStringLiteral("fixture")},
                            {tree.path("gone"), QStringLiteral("gone")},
                            {tree.path("other"), QStringLiteral("other")}},
                           tree.root());
        auto choose = [&](int row) {
            drives->setCurrentIndex(row);
            Q_EMIT drives->activated(row);
        };
        choose(1);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("The drive specified could not be accessed.")});
        QCOMPARE(boxes.shown[0].style, int(MsgCritical));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(drives->mountPoint(), tree.root());
        QCOMPARE(w.window.driveText(), tree.root());
        choose(2);
        // Start without leaving the list cleans the drive chosen last.
        QCOMPARE(w.window.driveText(), tree.path("other"));
        w.window.setTempFolder(tree.path("other/tmp"));
        w.start();
        QVERIFY(!exists(tree.path("other/tmp/x.tmp")));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QuickCleanWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "quickclean_window_test.moc"
