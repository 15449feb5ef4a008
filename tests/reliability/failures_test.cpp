// SPDX-License-Identifier: GPL-3.0-or-later
// Failures are told, never hidden: real faults under a file search through the panel in the main
// window. A trash that cannot be made, a read-only volume (a tmpfs remounted read-only) under
// deletion and under recycling, and a disk that fills up under the log (a tmpfs of a few pages
// as the program's data folder). In each the user is told, the log holds what it can, and
// nothing is removed that should not be: a failed recycle never turns into a deletion.
//
// The process enters a private mount namespace first; where that is refused the cases that
// need a mount are skipped.
#include "common/recordedremoval.h"
#include "tests/reliability/world.h"
#include "tests/search/filesearch_test_support.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <QApplication>
#include <QTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

// A tmpfs on a folder for the length of a test case, whatever its end.
struct Tmpfs
{
    Tmpfs(const QByteArray& at, const char* options)
        : path(at),
          made(::mkdir(at.constData(), 0755) == 0 && ::mount("none", at.constData(), "tmpfs", 0, options) == 0)
    {
    }
    ~Tmpfs() { ::umount2(path.constData(), MNT_DETACH); }
    QByteArray path;
    bool made;
};

PanelEntries everyOldFile(bool recycle)
{
    PanelEntries e;
    e.pattern0 = QStringLiteral("*.*");
    e.date = QStringLiteral("1/1/2020");
    e.recycle = recycle;
    e.ignoreHidden = false;
    e.ignoreDirs = false;
    return e;
}

FileSearchEntries asEntries(const PanelEntries& p)
{
    FileSearchEntries e;
    e.pattern0 = p.pattern0;
    e.instruction = p.instruction;
    e.sinceText = QStringLiteral("since");
    e.dateText = p.date;
    e.recycle = p.recycle;
    e.ignoreHidden = p.ignoreHidden;
    e.ignoreHiddenDirs = p.ignoreDirs;
    return e;
}

} // namespace

class FailuresTest : public QObject
{
    Q_OBJECT
public:
    explicit FailuresTest(bool mounts) : m_mounts(mounts) {}

private:
    bool m_mounts;
    TreeFixture m_trees;

private Q_SLOTS:
    // The user's trash cannot be made (a file stands where its folder goes): told once, before
    // anything is searched or removed.
    void aTrashThatCannotBeMadeIsToldBeforeTheRun()
    {
        WorldOptions options;
        options.oddEntries = false;
        World world(1, m_trees.root(), options);
        world.record(world.criteriaFor(asEntries(everyOldFile(true))));
        const QByteArray trash = qgetenv("XDG_DATA_HOME") + "/Trash";
        emptiedTrashFiles();
        ::rmdir(trash.constData());
        QFile blocker(QFile::decodeName(trash));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const auto before = snapshotTree(world.root());

        PanelHarness h;
        ScriptedMessages boxes;
        h.fill(everyOldFile(true), world.start());
        h.panel->onBeginClicked();
        QFile::remove(blocker.fileName());

        QCOMPARE(boxes.texts(), QStringList{trashUnavailableText(QString::fromUtf8(world.start()),
                                                                 QStringLiteral("Your trash folder cannot be made or "
                                                                                "written to."))});
        QVERIFY(snapshotTree(world.root()) == before);
        QVERIFY(h.logBytes().isEmpty());
    }

    // A read-only volume: a deletion is refused file by file, each told and logged; a recycle is
    // told once before the run (the volume has no trash). Nothing changes.
    void aReadOnlyVolumeIsToldAndChangesNothing_data()
    {
        QTest::addColumn<bool>("recycle");
        QTest::newRow("delete") << false;
        QTest::newRow("recycle") << true;
    }
    void aReadOnlyVolumeIsToldAndChangesNothing()
    {
        QFETCH(bool, recycle);
        if (!m_mounts)
            QSKIP("no private mount namespace here");
        const Tmpfs tmpfs(m_trees.path(recycle ? "ro-recycle" : "ro-delete"), "size=4m");
        QVERIFY(tmpfs.made);
        const QByteArray& volume = tmpfs.path;
        WorldOptions options;
        options.oddEntries = false;
        World world(2, volume, options);
        world.record(world.criteriaFor(asEntries(everyOldFile(recycle))));
        const qsizetype selected = world.selectedCount();
        QVERIFY(selected > 3);
        QCOMPARE(::mount(nullptr, volume.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        const auto before = snapshotTree(world.root());

        PanelHarness h;
        ScriptedMessages boxes;
        h.fill(everyOldFile(recycle), world.start());
        if (recycle) {
            h.panel->onBeginClicked();
        } else {
            boxes.answer(AnswerYes); // deleting without a look
            h.beginDeleting(boxes);
        }

        QVERIFY(snapshotTree(world.root()) == before);
        if (recycle) {
            QCOMPARE(boxes.shown.size(), 1);
            QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("Files in ")));
            QVERIFY(h.logBytes().isEmpty());
        } else {
            QCOMPARE(boxes.shown.size(), selected);
            for (const ShownBox& box : boxes.shown)
                QVERIFY2(box.text.endsWith(QStringLiteral(" . Access to this file denied.")), qPrintable(box.text));
            const QList<QByteArray> log = readLogLines(QFile::encodeName(h.appFolder.path()) + "/temp.bv");
            QCOMPARE(log.count("ACTION: Access Denied"), selected);
            QCOMPARE(log.count("ACTION: Delete"), 0);
        }
    }

    // The disk under the log fills in the middle of a run: the run stops before its next removal
    // and the user is told once. Every removal made has its block on disk, and its ACTION line
    // unless the disk filled right there, at the very end of the log.
    void aFullDiskUnderTheLogStopsTheRunWithEveryRemovalRecorded()
    {
        if (!m_mounts)
            QSKIP("no private mount namespace here");
        const Tmpfs tmpfs(m_trees.path("tiny"), "size=16k");
        QVERIFY(tmpfs.made);
        const QByteArray& data = tmpfs.path;
        WorldOptions options;
        options.folders = 8;
        options.filesPerFolder = 30;
        World world(3, m_trees.root(), options);
        world.record(world.criteriaFor(asEntries(everyOldFile(false))));
        QVERIFY(world.selectedCount() > 150); // blocks of more than 16 KB: the log cannot hold them

        PanelHarness h;
        ScriptedMessages boxes;
        h.state.AppFolder = data;
        h.fill(everyOldFile(false), world.start());
        boxes.answer(AnswerYes); // deleting without a look
        h.beginDeleting(boxes);

        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.startsWith(QStringLiteral("The search log could not be written (")));
        const QList<QByteArray> log = readLogLines(data + "/temp.bv");
        QVERIFY(log.count("ACTION: Delete") > 10);
        const QStringList problems = world.check(log, false, {}, World::RunEnd::CutShort);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QVERIFY(h.run().FilesRemoved < world.selectedCount()); // it stopped
    }
};

int main(int argc, char** argv)
{
    const bool mounts = enterPrivateMounts(); // before any thread starts
    QApplication app(argc, argv);
    FailuresTest test(mounts);
    return QTest::qExec(&test, argc, argv);
}

#include "failures_test.moc"
