// SPDX-License-Identifier: GPL-3.0-or-later
// The run history and the restore, end to end on real files: removals made the way every run
// makes them (the recorded removal, into the desktop trash) with the working log kept in the
// history, then put back from what the history and the trash say.
#include "common/recordedremoval.h"
#include "common/runhistory.h"
#include "platform/fileops.h"
#include "platform/historyfolder.h"
#include "platform/filecontent.h"
#include "platform/paths.h"
#include "restore/restore.h"
#include "tests/support/tree_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

QByteArray dataFolder()
{
    return qgetenv("XDG_DATA_HOME") + "/Brisvane";
}

QByteArray trashFolder()
{
    return qgetenv("XDG_DATA_HOME") + "/Trash";
}

QByteArray readAll(const QByteArray& path)
{
    QFile f(QString::fromUtf8(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

struct stat statOf(const QByteArray& path)
{
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

class RestoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(QString::fromUtf8(dataFolder())).removeRecursively();
        QDir(QString::fromUtf8(trashFolder())).removeRecursively();
        QDir().mkpath(QString::fromUtf8(dataFolder()));
        QDir().mkpath(QString::fromUtf8(qgetenv("TMPDIR")));
        program.AppFolder = dataFolder();
    }

    // A file search's run, as far as the history sees it: the working log kept in the history,
    // each file's block and ACTION line written by the recorded removal.
    bool startRun()
    {
        return program.Log.open(joinPath(dataFolder(), "temp.bv")) &&
               program.Log.keepHistory(dataFolder(), RunFeature::FileSearch) &&
               program.Log.writeHeader(QDateTime::currentDateTime()) && program.Log.writeLine("");
    }
    RemovalRecord trash(const QByteArray& path)
    {
        RecordedRemoval request;
        request.path = path;
        lstatPath(path, request.listed);
        request.block = {path, "...File Size is " + QByteArray::number(request.listed.size) + " Bytes"};
        request.action = RemovalAction::Trash;
        return removeWithRecord(request, &program.Log, program, run);
    }

    AppState program;
    RunValues run;
};

TEST_F(RestoreTest, TrashedFilesInNestedFoldersGoBackAsTheyWere)
{
    TreeFixture tree{"a/one.tmp:100", "a/b/two.tmp:2000", "a/b/c/three.tmp:30", "a/b/c/d/four.tmp:7"};
    tree.setMode("a/b/two.tmp", 0640);
    tree.setMode("a/b/c/three.tmp", 0755);
    tree.makeSymlink("a/b/link.tmp", "../one.tmp");
    tree.setTimes("a/b/c/d/four.tmp", {1700000000, 5}, {1600000000, 7});
    const QList<QByteArray> names{"a/one.tmp", "a/b/two.tmp", "a/b/c/three.tmp", "a/b/c/d/four.tmp", "a/b/link.tmp"};
    QHash<QByteArray, QByteArray> contents;
    QHash<QByteArray, struct stat> before;
    for (const QByteArray& name : names) {
        contents[name] = readAll(tree.path(name));
        before[name] = statOf(tree.path(name));
    }

    ASSERT_TRUE(startRun());
    for (const QByteArray& name : names)
        ASSERT_EQ(trash(tree.path(name)).outcome, ActOutcome::Done) << name.constData();
    ASSERT_TRUE(program.Log.writeLine("Number of files removed: 5"));
    const QByteArray historyPath = program.Log.historyPath();
    program.Log.close();
    // The history holds the very text of the working log, privately.
    EXPECT_EQ(readAll(historyPath), readAll(joinPath(dataFolder(), "temp.bv")));
    EXPECT_EQ(statOf(historyPath).st_mode & 07777, 0600u);
    EXPECT_EQ(statOf(runHistoryFolder(dataFolder())).st_mode & 07777, 0700u);
    // A folder the run emptied is gone by the time of the restore: it is made again.
    ASSERT_EQ(::rmdir(tree.path("a/b/c/d").constData()), 0);

    const RestoreView view = RestoreView::load(dataFolder());
    ASSERT_EQ(view.runs().size(), 1);
    EXPECT_EQ(view.runs()[0].filesRemoved, 5);
    EXPECT_EQ(view.runs()[0].restorable, 5);
    const RestoreReport report = restoreFiles(dataFolder(), view.runs()[0].run, view.filesOf(view.runs()[0].run.id));
    EXPECT_EQ(report.putBack, 5);
    EXPECT_TRUE(report.logError.isEmpty()) << report.logError.toStdString();

    for (const QByteArray& name : names) {
        const struct stat now = statOf(tree.path(name));
        const struct stat& was = before[name];
        EXPECT_EQ(now.st_mode, was.st_mode) << name.constData();
        EXPECT_EQ(now.st_mtim.tv_sec, was.st_mtim.tv_sec) << name.constData();
        EXPECT_EQ(now.st_mtim.tv_nsec, was.st_mtim.tv_nsec) << name.constData();
        if (S_ISLNK(was.st_mode)) {
            char target[64] = {};
            EXPECT_GT(::readlink(tree.path(name).constData(), target, sizeof target - 1), 0);
            EXPECT_STREQ(target, "../one.tmp");
        } else {
            EXPECT_EQ(readAll(tree.path(name)), contents[name]) << name.constData();
        }
    }
    EXPECT_TRUE(QDir(QString::fromUtf8(trashFolder() + "/info")).isEmpty());

    // The restore is a run of its own; the files read as put back.
    const RestoreView after = RestoreView::load(dataFolder());
    ASSERT_EQ(after.runs().size(), 2);
    EXPECT_EQ(after.runs()[0].run.feature, RunFeature::Restore);
    for (const FileNow& file : after.filesOf(view.runs()[0].run.id))
        EXPECT_EQ(file.state, FileState::PutBack) << file.removed.path.constData();
}

TEST_F(RestoreTest, NothingIsOverwrittenAndOnlyTheRunsOwnTrashEntryIsTaken)
{
    TreeFixture tree{"kept.tmp:10", "other.tmp:20"};
    ASSERT_TRUE(startRun());
    ASSERT_EQ(trash(tree.path("kept.tmp")).outcome, ActOutcome::Done);
    ASSERT_EQ(trash(tree.path("other.tmp")).outcome, ActOutcome::Done);
    program.Log.close();
    // A new file took the first name; the second one's trash record now says another time (the
    // same path trashed by someone else, long ago).
    {
        QFile f(QString::fromUtf8(tree.path("kept.tmp")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("new content");
    }
    QFile info(QString::fromUtf8(trashFolder() + "/info/other.tmp.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    QByteArray record = info.readAll();
    info.close();
    const qsizetype date = record.indexOf("DeletionDate=") + 13;
    record.replace(date, 19, "2001-01-01T00:00:00");
    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write(record);
    info.close();

    const RestoreView view = RestoreView::load(dataFolder());
    const QList<FileNow> files = view.filesOf(view.runs()[0].run.id);
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[1].state, FileState::GoneFromTrash);
    const RestoreReport report = restoreFiles(dataFolder(), view.runs()[0].run, files);
    ASSERT_EQ(report.files.size(), 1);
    EXPECT_EQ(report.files[0].outcome, RestoreOutcome::Taken);
    EXPECT_EQ(readAll(tree.path("kept.tmp")), "new content");
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(tree.path("other.tmp"))));
    // Still in the trash, still restorable once the name is free.
    EXPECT_EQ(RestoreView::load(dataFolder()).filesOf(view.runs()[0].run.id)[0].state, FileState::InTrash);
    EXPECT_TRUE(readAll(report.historyPath).contains(restoreActionLine(RestoreOutcome::Taken) + "\r\n"));
}

TEST_F(RestoreTest, ARunKilledMidwayStillRestoresEveryFileItRemoved)
{
    TreeFixture tree{"k/1.tmp:1", "k/2.tmp:2", "k/3.tmp:3", "k/4.tmp:4"};
    const pid_t child = ::fork();
    if (child == 0) {
        if (!startRun())
            ::_exit(3);
        for (const char* name : {"k/1.tmp", "k/2.tmp", "k/3.tmp"})
            if (trash(tree.path(name)).outcome != ActOutcome::Done)
                ::_exit(4);
        // Killed between the last file's act and its ACTION line.
        FileInfo listed;
        lstatPath(tree.path("k/4.tmp"), listed);
        program.Log.writeLines({tree.path("k/4.tmp"), "...File Size is  4 Bytes"});
        fileOps().trash(tree.path("k/4.tmp"), listed);
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended with " << WEXITSTATUS(status);

    const RestoreView view = RestoreView::load(dataFolder());
    ASSERT_EQ(view.runs().size(), 1);
    EXPECT_EQ(view.runs()[0].restorable, 4);
    const RestoreReport report = restoreFiles(dataFolder(), view.runs()[0].run, view.filesOf(view.runs()[0].run.id));
    EXPECT_EQ(report.putBack, 4);
    for (const char* name : {"k/1.tmp", "k/2.tmp", "k/3.tmp", "k/4.tmp"})
        EXPECT_TRUE(QFile::exists(QString::fromUtf8(tree.path(name)))) << name;
}

TEST_F(RestoreTest, TheHistoryKeepsTheNewestRunsWithinItsBounds)
{
    const QByteArray folder = runHistoryFolder(dataFolder());
    auto makeRun = [](const QByteArray& path, qint64 size) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0) << path.constData();
        ASSERT_EQ(::ftruncate(fd, size), 0); // sparse: the bound counts the files' sizes
        ::close(fd);
    };
    QList<QByteArray> made;
    for (int i = 0; i < runhistory::kMostRuns + 5; ++i) {
        QString why;
        const QByteArray path = beginRunHistory(dataFolder(), RunFeature::QuickClean, &why);
        ASSERT_FALSE(path.isEmpty()) << why.toStdString();
        makeRun(path, 100);
        made.append(baseName(path));
    }
    QList<HistoryRun> runs = listRunHistory(dataFolder());
    ASSERT_EQ(runs.size(), runhistory::kMostRuns);
    EXPECT_EQ(runs.first().id + ".log", made.last());
    EXPECT_EQ(runs.last().id + ".log", made[5]);

    // Large runs: once a run has ended, the oldest ones go until the history is within its bytes.
    for (int i = 0; i < 3; ++i) {
        QString why;
        const QByteArray path = beginRunHistory(dataFolder(), RunFeature::DuplicateSearch, &why);
        makeRun(path, runhistory::kMostBytes / 2);
        trimRunHistory(dataFolder(), path);
    }
    runs = listRunHistory(dataFolder());
    std::int64_t total = 0;
    for (const HistoryRun& r : runs)
        total += r.bytes;
    EXPECT_LE(total, runhistory::kMostBytes);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].feature, RunFeature::DuplicateSearch);
    EXPECT_EQ(runs[1].feature, RunFeature::DuplicateSearch);
}

} // namespace
