// SPDX-License-Identifier: GPL-3.0-or-later
// A whole Quick Clean run without a window: the record it keeps in a log, and the question a
// real run that deletes asks before it starts.
#include "common/format.h"
#include "common/headlessuser.h"
#include "common/searchlog.h"
#include "platform/messages.h"
#include "quickclean/quickcleanrun.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
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

QByteArray readAll(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buf[4096];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, n);
    if (fd >= 0)
        ::close(fd);
    return out.replace("\r\n", "\n");
}

// The files of the tree are old enough for the temporary folder's rule.
const QDateTime kNow = QDateTime::currentDateTime().addDays(3);

QuickCleanOptions deleting(const TreeFixture& tree)
{
    QuickCleanOptions o;
    o.drive = tree.root();
    o.tempFolder = tree.path("tmp");
    o.choices.tmpFiles = true;
    o.choices.tempFolder = true;
    o.choices.recycle = false;
    return o;
}

} // namespace

TEST(QuickCleanRun, RecordsEveryFileItActsOnAndItsTotals)
{
    TreeFixture tree{"tmp/a.txt:10", "tmp/docs/b.tmp:5", "tmp/docs/held.tmp:3", "tmp/docs/c.txt:7"};
    TreeFixture logFolder;
    const QByteArray held = tree.path("tmp/docs/held.tmp");
    const int fd = ::open(held.constData(), O_RDONLY); // a program still uses it
    ASSERT_GE(fd, 0);

    AppState program;
    program.Now = [] { return kNow; };
    HeadlessUser user;
    user.answers = {true};
    SearchLog log;
    ASSERT_TRUE(log.open(logFolder.path("run.log")));
    QuickCleanRun run(program, user, &log);
    ASSERT_TRUE(run.run(deleting(tree)));
    log.close();
    ::close(fd);

    const QByteArray r = tree.root();
    EXPECT_EQ(readAll(logFolder.path("run.log")), "This search was made on " + logHeaderDate(kNow).toUtf8() +
                                                      "\n"
                                                      "Quick Clean of the following location: " +
                                                      r +
                                                      "\n"
                                                      "Files of type(s): *.tmp  \n"
                                                      "Search Options:\n"
                                                      "   Files in the temporary folder (" +
                                                      r +
                                                      "/tmp)\n"
                                                      "   Delete Files Permanently\n"
                                                      "\n" +
                                                      r +
                                                      "/tmp/a.txt\n"
                                                      "...File Size is  10 Bytes\n"
                                                      "ACTION: Delete\n"
                                                      "\n" +
                                                      r +
                                                      "/tmp/docs/b.tmp\n"
                                                      "...File Size is  5 Bytes\n"
                                                      "ACTION: Delete\n"
                                                      "\n" +
                                                      r +
                                                      "/tmp/docs/held.tmp\n"
                                                      "...File Size is  3 Bytes\n"
                                                      "ACTION: Skipped - File In Use\n"
                                                      "\n"
                                                      "Files removed:  2\n"
                                                      "Bytes reclaimed:  15\n");
    EXPECT_FALSE(exists(tree.path("tmp/a.txt")));
    EXPECT_FALSE(exists(tree.path("tmp/docs/b.tmp")));
    EXPECT_TRUE(exists(held));
    EXPECT_TRUE(exists(tree.path("tmp/docs/c.txt")));
    ASSERT_EQ(user.told.size(), 2);
    EXPECT_EQ(user.told[1].text, QStringLiteral("Could not remove: ") + QString::fromUtf8(held));
    EXPECT_EQ(user.figures.FilesRemoved, 2);
    EXPECT_EQ(user.figures.BytesReclaimed, 15);
    EXPECT_EQ(user.statuses.last(), QStringLiteral("Done."));
}

TEST(QuickCleanRun, DeletingWithoutTheTrashIsAskedOnceAndNoStartsNothing)
{
    TreeFixture tree{"tmp/a.txt:10", "tmp/docs/b.tmp:5"};
    AppState program;
    program.Now = [] { return kNow; };

    HeadlessUser no; // the script is spent: No
    QuickCleanRun refused(program, no);
    EXPECT_FALSE(refused.run(deleting(tree)));
    ASSERT_EQ(no.told.size(), 1);
    EXPECT_TRUE(no.told[0].question);
    EXPECT_EQ(no.told[0].text, QStringLiteral("Matching files will be deleted permanently, without a question for "
                                              "each one. Continue?"));
    EXPECT_EQ(no.told[0].style, int(MsgQuestionDefaultNo));
    EXPECT_EQ(program.SearchState, SearchState::Idle);
    EXPECT_TRUE(exists(tree.path("tmp/a.txt")));
    EXPECT_TRUE(exists(tree.path("tmp/docs/b.tmp")));

    // A sample run removes nothing, so it goes without the question.
    HeadlessUser sampling;
    QuickCleanOptions sample = deleting(tree);
    sample.choices.sample = true;
    QuickCleanRun counting(program, sampling);
    EXPECT_TRUE(counting.run(sample));
    EXPECT_TRUE(sampling.told.isEmpty());
    EXPECT_EQ(sampling.figures.FilesRemoved, 2);
    EXPECT_TRUE(exists(tree.path("tmp/a.txt")));
}
