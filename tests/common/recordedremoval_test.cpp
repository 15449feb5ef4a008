// SPDX-License-Identifier: GPL-3.0-or-later
// The removal with its log record: every outcome leaves the file, the log and the counters in
// agreement, and a log that fails (before the block, or between the block and the action line)
// stops the run and never loses a removal silently.
#include "platform/fileops.h"
#include "common/recordedremoval.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QFile>

#include <climits>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

FileInfo infoOf(const QByteArray& path)
{
    struct stat st
    {
    };
    ::lstat(path.constData(), &st);
    return FileInfo::fromStat(st);
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

QList<QByteArray> linesOf(const QByteArray& path)
{
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    lines.removeLast();
    for (QByteArray& l : lines)
        l.chop(1); // CR
    return lines;
}

// Passes every call on; a removal then runs `after` (a test's way to break the log right after
// an action).
class HookedOps : public RecordingFileOps
{
public:
    std::function<void()> after;
    ActResult remove(const QByteArray& path, const FileInfo& listed) override
    {
        ActResult r = RecordingFileOps::remove(path, listed);
        if (after)
            after();
        return r;
    }
};

// Makes the log's descriptor write to /dev/full from now on, as a disk that just filled up.
void fillTheDiskUnder(const QByteArray& logPath)
{
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    for (int fd = 3; fd < 1024; ++fd) {
        char target[PATH_MAX];
        const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
        const ssize_t n = ::readlink(link.constData(), target, sizeof target);
        if (n > 0 && QByteArray(target, int(n)) == logPath)
            ::dup2(full, fd);
    }
    ::close(full);
}

struct Fixture
{
    Fixture()
    {
        tree.add({"dest/", "victim.tmp:100"});
        logPath = tree.path("temp.bv");
        EXPECT_TRUE(log.open(logPath));
        request.path = tree.path("victim.tmp");
        request.listed = infoOf(request.path);
        request.block = {request.path, "...It Was Last Used On 1/2/2020"};
        request.decidedBy = DecidedBy::Run;
    }
    RemovalRecord run() { return removeWithRecord(request, &log, program, runValues); }
    QList<QByteArray> logged() { return linesOf(logPath); }
    QList<QByteArray> blockThen(const QByteArray& action) { return request.block + QList<QByteArray>{action, ""}; }

    TreeFixture tree;
    QByteArray logPath;
    SearchLog log;
    AppState program;
    RunValues runValues;
    RecordedRemoval request;
    ScriptedMessages boxes;
};

} // namespace

TEST(RecordedRemoval, EachOutcomeIsRecordedAndCountedOnlyWhenTheFileLeft)
{
    struct Case
    {
        const char* what;
        RemovalAction action;
        std::function<void(Fixture&, RecordingFileOps&)> arrange;
        ActOutcome outcome;
        const char* line; // nullptr: no record at all
        bool stays;
    };
    const Case cases[] = {
        {"deleted", RemovalAction::Delete, {}, ActOutcome::Done, "ACTION: Delete", false},
        {"trash refused", RemovalAction::Trash,
         [](Fixture&, RecordingFileOps& ops) {
             ops.failTrash = ActResult{ActOutcome::Refused, "Permission denied"};
         },
         ActOutcome::Refused, "ACTION: Access Denied", true},
        {"no trash on the volume", RemovalAction::Trash,
         [](Fixture&, RecordingFileOps& ops) {
             ops.failTrash = ActResult{ActOutcome::NotSupported, "tmpfs"};
         },
         ActOutcome::NotSupported, "ACTION: Access Denied", true},
        {"grew since listed", RemovalAction::Delete,
         [](Fixture& f, RecordingFileOps&) {
             QFile file(QFile::decodeName(f.request.path));
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("more");
         },
         ActOutcome::Changed, "ACTION: Skipped - File Changed Since It Was Listed", true},
        {"vanished", RemovalAction::Trash,
         [](Fixture& f, RecordingFileOps&) { ASSERT_EQ(::unlink(f.request.path.constData()), 0); },
         ActOutcome::Vanished, "ACTION: Skipped - File No Longer Exists", false},
        {"moved", RemovalAction::Move, {}, ActOutcome::Done, nullptr, false},
        {"move refused", RemovalAction::Move,
         [](Fixture&, RecordingFileOps& ops) {
             ops.failMove = ActResult{ActOutcome::Refused, "taken"};
         },
         ActOutcome::Refused, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        RecordingFileOps ops;
        f.request.action = c.action;
        f.request.destFolder = f.tree.path("dest");
        if (c.arrange)
            c.arrange(f, ops);
        const RemovalRecord r = f.run();
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_TRUE(r.logged);
        EXPECT_EQ(exists(f.request.path), c.stays);
        const bool removed = c.outcome == ActOutcome::Done && c.action != RemovalAction::Move;
        EXPECT_EQ(f.runValues.FilesRemoved, removed ? 1 : 0);
        EXPECT_EQ(f.runValues.BytesReclaimed, removed ? 100 : 0);
        if (c.action == RemovalAction::Move) {
            const bool moved = c.outcome == ActOutcome::Done;
            EXPECT_EQ(f.logged(),
                      moved ? f.blockThen("ACTION: Moved (" + f.tree.path("dest") + ")") : QList<QByteArray>{});
            EXPECT_EQ(exists(f.tree.path("dest/victim.tmp")), moved);
        } else {
            EXPECT_EQ(f.logged(), f.blockThen(c.line));
        }
        EXPECT_FALSE(f.program.StopRequested);
        EXPECT_TRUE(f.boxes.shown.isEmpty());
    }
}

TEST(RecordedRemoval, AFailedLogTouchesNothingAndIsToldOnce)
{
    Fixture f;
    f.log.close();
    ASSERT_TRUE(f.log.open("/dev/full"));
    RecordingFileOps ops;
    for (int i = 0; i < 3; ++i) {
        const RemovalRecord r = f.run();
        EXPECT_EQ(r.outcome, ActOutcome::NotTouched);
        EXPECT_FALSE(r.logged);
    }
    EXPECT_TRUE(ops.calls.isEmpty());
    EXPECT_TRUE(exists(f.request.path));
    EXPECT_TRUE(f.program.StopRequested);
    ASSERT_EQ(f.boxes.shown.size(), 1);
    EXPECT_TRUE(f.boxes.shown[0].text.startsWith("The search log could not be written ("));
    EXPECT_EQ(f.boxes.shown[0].style, MsgCritical);
}

TEST(RecordedRemoval, ALogThatFailsAfterTheBlockStillCountsTheRemovalAndStopsTheRun)
{
    Fixture f;
    HookedOps ops;
    ops.after = [&] { fillTheDiskUnder(f.logPath); };
    const RemovalRecord r = f.run();
    EXPECT_EQ(r.outcome, ActOutcome::Done);
    EXPECT_FALSE(r.logged);
    EXPECT_FALSE(exists(f.request.path));
    EXPECT_EQ(f.logged(), f.request.block); // the block made it to disk before the removal
    EXPECT_EQ(f.runValues.FilesRemoved, 1);
    EXPECT_TRUE(f.program.StopRequested);
    EXPECT_EQ(f.boxes.shown.size(), 1);
}

TEST(RecordedRemoval, WithoutALogOnlyTheFileAndTheCountersChange)
{
    Fixture f;
    const RemovalRecord r = removeWithRecord(f.request, nullptr, f.program, f.runValues);
    EXPECT_EQ(r.outcome, ActOutcome::Done);
    EXPECT_TRUE(r.logged);
    EXPECT_FALSE(exists(f.request.path));
    EXPECT_EQ(f.runValues.BytesReclaimed, 100);
    EXPECT_TRUE(f.logged().isEmpty());
}

TEST(RecordedRemoval, ATrashReasonEndsInsideItsBrackets)
{
    EXPECT_EQ(trashUnavailableText("/mnt/x", "No trash on this volume."),
              "Files in /mnt/x cannot be sent to the Recycle Bin (No trash on this volume). Nothing was removed. To "
              "remove them, clear the Recycle Bin option so that they are deleted instead.");
}
