// SPDX-License-Identifier: GPL-3.0-or-later
// A whole duplicate run without a window: the user's decisions come from a script, and the run
// carries them out, logs them and counts every group's files however the group ends.
#include "common/headlessuser.h"
#include "duplicates/duplicaterun.h"
#include "platform/messages.h"
#include "tests/support/tree_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace bv {
namespace {

using test::TreeFixture;

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

QList<QByteArray> logLines(const QByteArray& file)
{
    QFile f(QFile::decodeName(file));
    QList<QByteArray> lines = f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
    for (QByteArray& l : lines)
        l.chop(l.endsWith('\r') ? 1 : 0);
    return lines;
}

TEST(DuplicateRun, carriesOutTheScriptedReviewAndCountsEveryGroup)
{
    TreeFixture tree{"a/one.txt:10",  "b/ONE.txt:20",   "c/one.txt:30",    "a/setup.exe:1",
                     "b/SETUP.EXE:1", "a/three.txt:1",  "b/three.txt:1",   "a/two.txt:1",
                     "b/two.txt:1",   "a/single.txt:1", "keep/other.dat:1"};
    QTemporaryDir app;
    AppState program;
    program.AppFolder = QFile::encodeName(app.path());
    RunValues values;
    HeadlessUser user;
    // one.txt: row 2 deleted, row 3 moved and then deleted where it went; three.txt: Abort,
    // confirmed; two.txt is never reached. SETUP.EXE is an installation file: logged, not shown.
    user.groupAnswers = {
        {{{1, FileChoice::Remove, {}}, {2, FileChoice::Move, tree.path("keep")}, {2, FileChoice::Remove, {}}}, false},
        {{}, true}};
    user.answers = {true};
    DuplicateRun run(program, values, user, user);

    DuplicateRunOptions options;
    options.entries.pattern2 = QStringLiteral("*.txt");
    options.entries.pattern3 = QStringLiteral("setup.exe");
    options.entries.recycle = false;
    options.folder = tree.root();
    options.folderChosen = true;
    ASSERT_EQ(run.checkEntries(options), DuplicateRun::Start::Started);
    ASSERT_EQ(run.begin(options), DuplicateRun::Start::Started);
    run.run();

    EXPECT_FALSE(exists(tree.path("b/ONE.txt")));
    EXPECT_FALSE(exists(tree.path("c/one.txt")));
    EXPECT_FALSE(exists(tree.path("keep/one.txt")));
    EXPECT_TRUE(exists(tree.path("a/one.txt")));
    EXPECT_EQ(values.FilesMatched, 10);
    EXPECT_EQ(values.FilesChecked, 3 + 2 + 2); // one.txt, SETUP.EXE, three.txt
    EXPECT_EQ(values.FilesRemoved, 2);
    EXPECT_EQ(values.BytesReclaimed, 50);
    EXPECT_EQ(user.figures.FilesChecked, 7); // the last figures shown are the final ones
    EXPECT_EQ(program.SearchState, SearchState::Finished);
    EXPECT_FALSE(program.Log.isOpen());
    ASSERT_EQ(user.told.size(), 1);
    EXPECT_EQ(user.told[0].text, QStringLiteral("Do you really want to cancel the search?"));

    const QList<QByteArray> log = logLines(program.AppFolder + "/temp.bv");
    const QByteArray rule(59, '_');
    auto at = [&log](const QByteArray& line, qsizetype from = 0) { return log.indexOf(line, from); };
    // The group's three blocks, then its decisions in order, then the line that ends it.
    const qsizetype moved = at("ACTION: Moved (" + tree.path("keep") + ")");
    ASSERT_GT(moved, 0);
    EXPECT_EQ(log.mid(at(tree.path("c/one.txt")) + 5, 10),
              (QList<QByteArray>{tree.path("b/ONE.txt"), "ACTION: Delete", "", tree.path("c/one.txt"), log[moved], "",
                                 tree.path("keep/one.txt"), "ACTION: Delete", "", rule}));
    // The installation group is in the log though never shown.
    EXPECT_EQ(log[at(tree.path("b/SETUP.EXE")) + 5], rule);
    // The abort is recorded inside its group, and nothing follows but the totals.
    const qsizetype abort = at("ACTION: Abort Search");
    ASSERT_GT(abort, at(tree.path("b/three.txt")));
    EXPECT_EQ(log.mid(abort + 1, 3), (QList<QByteArray>{"", rule, ""}));
    EXPECT_EQ(at(tree.path("a/two.txt")), -1);
    EXPECT_EQ(log[abort + 4], "Files matching the specified file type(s):  10");
    EXPECT_EQ(log[abort + 5], "Number of files checked:  7");
}

} // namespace
} // namespace bv
