// SPDX-License-Identifier: GPL-3.0-or-later
// The log loses nothing: a scripted unattended run of the real file search runs in a child
// process over a world of about a thousand files and is killed (SIGKILL) once the log holds a
// random number of removals. The one checker then holds the log against the disk: every file
// that is gone has its block and its "ACTION:" line, except at most the very last block of the
// log, whose file the kill may have caught between the act and its line (the block, written
// before the act, is the record of intent); no line claims a removal that did not happen; and
// nothing outside the selection changed, but for what no program can keep from a SIGKILL: its
// last write cut inside a line, and the access time of the one link it was following at that
// instant (World::RunEnd::Killed).
#include "tests/reliability/world.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace bv;
using namespace bv::test;

namespace {

int countActions(const QByteArray& logPath)
{
    QFile f(QFile::decodeName(logPath));
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("\r\nACTION: ")) : 0;
}

} // namespace

TEST(KilledRun, EveryRemovalThatHappenedIsInTheLog)
{
    TreeFixture trees;
    int caught = 0;
    const int seeds = qEnvironmentVariableIsSet("BV_KILLS") ? qEnvironmentVariableIntValue("BV_KILLS") : 6;
    for (int seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        WorldOptions options;
        options.folders = 30;
        options.filesPerFolder = 40;
        World world(std::uint64_t(seed), trees.root(), options);
        const bool recycle = seed % 2 == 0;
        const FileSearchEntries entries = world.randomEntries(recycle);
        world.record(world.criteriaFor(entries));
        const QByteArray trash = recycle ? emptiedTrashFiles() : QByteArray();
        ASSERT_GE(world.selectedCount(), 50) << "too few removals to stop a run in the middle";

        QTemporaryDir appFolder;
        const QByteArray logPath = QFile::encodeName(appFolder.path()) + "/temp.bv";
        QByteArray flags = recycle ? "r" : "";
        if (entries.ignoreHidden)
            flags += 'h';
        if (entries.ignoreHiddenDirs)
            flags += 'd';
        QProcess child;
        child.setProgram(QStringLiteral(KILLED_SEARCH_CHILD));
        child.setArguments({QFile::decodeName(world.start()), appFolder.path(), entries.pattern0, entries.instruction,
                            entries.dateText, entries.bytesText, QString::fromLatin1(flags)});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        ASSERT_TRUE(child.waitForStarted());

        // Killed once the log holds a random number of removals, or the run ends first.
        const int target = 1 + int(world.rng()() % std::uint64_t(world.selectedCount() - 1));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (child.state() == QProcess::Running && countActions(logPath) < target &&
               std::chrono::steady_clock::now() < deadline) {
            child.waitForFinished(1);
        }
        const bool killed = child.state() == QProcess::Running;
        if (killed) {
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished();
            ++caught;
        }
        const QStringList problems = world.check(readLogLines(logPath), recycle, trash,
                                                 killed ? World::RunEnd::Killed : World::RunEnd::Complete);
        EXPECT_TRUE(problems.isEmpty()) << (killed ? "killed after " : "not killed; target ") << target
                                        << " removals:\n"
                                        << problems.join(u'\n').toStdString();
    }
    // A test of killed runs in which nothing was killed proves nothing.
    EXPECT_GE(caught, seeds / 2);
}

// A file-size limit on the process (ulimit -f) reached in the middle of a run: the write fails
// instead of killing the program, the run stops before its next removal, and the log ends with
// whole lines and holds every removal that happened.
TEST(KilledRun, AFileSizeLimitStopsTheRunWithItsLogWhole)
{
    TreeFixture trees;
    WorldOptions options;
    options.folders = 10;
    options.filesPerFolder = 40;
    World world(7, trees.root(), options);
    const FileSearchEntries entries = world.randomEntries(false);
    world.record(world.criteriaFor(entries));
    ASSERT_GE(world.selectedCount(), 20) << "too few removals to reach the limit in the middle";
    QTemporaryDir appFolder;
    const QByteArray logPath = QFile::encodeName(appFolder.path()) + "/temp.bv";
    QByteArray flags;
    if (entries.ignoreHidden)
        flags += 'h';
    if (entries.ignoreHiddenDirs)
        flags += 'd';
    QProcess child;
    child.setProgram(QStringLiteral(KILLED_SEARCH_CHILD));
    child.setArguments({QFile::decodeName(world.start()), appFolder.path(), entries.pattern0, entries.instruction,
                        entries.dateText, entries.bytesText, QString::fromLatin1(flags)});
    constexpr rlim_t kLimit = 4000; // room for the header and a few blocks
    child.setChildProcessModifier([] {
        const rlimit limit{kLimit, kLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    child.start();
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "killed by signal " << child.exitCode();
    EXPECT_EQ(child.exitCode(), 0);
    QFile log(QFile::decodeName(logPath));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_LE(text.size(), qsizetype(kLimit));
    EXPECT_TRUE(text.endsWith("\r\n"));
    const QStringList problems = world.check(readLogLines(logPath), false, {}, World::RunEnd::CutShort);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
}
