// SPDX-License-Identifier: GPL-3.0-or-later
// The file search's run without a window, as the tests, the benchmarks and the command line
// drive it (the panel's runs are in filesearch_run_test.cpp).
#include "common/headlessuser.h"
#include "common/runhistory.h"
#include "platform/messages.h"
#include "search/filesearchrun.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace bv;
using namespace bv::test;

// Neither the trash nor the verification window: the user is asked once, No the default, and No
// starts nothing at all; Yes runs the search it asked about.
TEST(FileSearchRun, DeletingWithoutALookIsAskedOnceAndNoStartsNothing)
{
    TreeFixture tree{"old.tmp:10"};
    const timespec old{QDateTime(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(), 0};
    tree.setTimes("old.tmp", old, old);
    FileSearchEntries e;
    e.pattern0 = QStringLiteral("*.tmp");
    e.instruction = QStringLiteral("haven't been used");
    e.sinceText = QStringLiteral("since");
    e.dateText = QStringLiteral("6/1/2026");
    e.recycle = false;
    e.verify = false;
    const ValidationResult v = validateEntries(e, QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_FALSE(v.issue);
    FileSearchCriteria criteria = v.criteria;
    criteria.folder = tree.root();
    QTemporaryDir appFolder;
    const QByteArray logPath = QFile::encodeName(appFolder.path()) + "/temp.bv";
    struct stat st;

    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        AppState program;
        program.AppFolder = QFile::encodeName(appFolder.path());
        program.HistoryFolder = program.AppFolder;
        RunValues values;
        HeadlessUser user;
        user.answers = {yes};
        FileSearchRun run(criteria, program, values, user);
        EXPECT_EQ(run.run(), yes ? FileSearchRun::Outcome::Ran : FileSearchRun::Outcome::Declined);
        ASSERT_GE(user.told.size(), 1);
        EXPECT_EQ(user.told[0].text, permanentDeletionQuestion());
        EXPECT_EQ(user.told[0].style, MsgQuestionDefaultNo);
        EXPECT_TRUE(user.told[0].question);
        EXPECT_EQ(::lstat(tree.path("old.tmp").constData(), &st) == 0, !yes);
        EXPECT_EQ(::lstat(logPath.constData(), &st) == 0, yes); // No: not even a log header
        EXPECT_EQ(values.FilesMatched, yes ? 1 : 0);            // No: no walk
        // The run's history is the very text of its log; a run that never started has none.
        const QList<HistoryRun> history = listRunHistory(program.AppFolder);
        ASSERT_EQ(history.size(), yes ? 1 : 0);
        if (yes) {
            QFile kept(QString::fromUtf8(history[0].path)), log(QString::fromUtf8(logPath));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly) && log.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), log.readAll());
        }
    }
}
