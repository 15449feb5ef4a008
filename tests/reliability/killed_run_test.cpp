// The log loses nothing: a scripted unattended search through the real panel runs in a child
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
