// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/appfolder.h"
#include "tests/support/tree_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

using namespace bv;

namespace {

mode_t modeOf(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::stat(path.constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(AppFolder, FollowsXdgDataHomeElseHome)
{
    ::umask(022);
    QTemporaryDir tmp;
    const QByteArray root = QFile::encodeName(tmp.path());

    ::setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    QString error;
    EXPECT_EQ(prepareAppFolder(&error), root + "/data/Brisvane");
    EXPECT_TRUE(QFileInfo(tmp.path() + "/data/Brisvane").isDir());
    // Private whatever the umask lets through: the logs there name every file a search found.
    for (const QByteArray made : {"/data", "/data/Brisvane"})
        EXPECT_EQ(modeOf(root + made), 0700) << made.constData();
    // One that exists is used as it is.
    ASSERT_EQ(::chmod((root + "/data/Brisvane").constData(), 0750), 0);
    EXPECT_EQ(prepareAppFolder(&error), root + "/data/Brisvane");
    EXPECT_EQ(modeOf(root + "/data/Brisvane"), 0750);

    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    ::setenv("HOME", (root + "/home").constData(), 1);
    EXPECT_EQ(prepareAppFolder(&error), root + "/home/.local/share/Brisvane");
    EXPECT_TRUE(QFileInfo(tmp.path() + "/home/.local/share/Brisvane").isDir());

    // A folder that cannot be made is a failure with its reason, not a crash.
    ::setenv("XDG_DATA_HOME", "/proc/no-such-place", 1);
    error.clear();
    EXPECT_EQ(prepareAppFolder(&error), QByteArray());
    EXPECT_FALSE(error.isEmpty());
}

TEST(AppFolder, OneInstancePerFolder)
{
    QTemporaryDir tmp;
    const QByteArray folder = QFile::encodeName(tmp.path());
    {
        SingleInstance first(folder);
        ASSERT_TRUE(first.acquired());
        SingleInstance second(folder);
        EXPECT_FALSE(second.acquired());
    }
    // Once the first has ended, the next one starts.
    SingleInstance third(folder);
    EXPECT_TRUE(third.acquired());
}

// A data folder the user cannot write is no other Brisvane: the reason is what must be said.
TEST(AppFolder, ALockThatCannotBeWrittenIsNotAnotherInstance)
{
    test::TreeFixture t{"Brisvane/"};
    t.setMode("Brisvane", 0555);
    t.openToOthers();
    const test::ChildResult child = test::runInChild({.asNobody = true}, [&] {
        SingleInstance instance(t.path("Brisvane"));
        return QByteArray(instance.acquired()        ? "acquired"
                          : instance.heldByAnother() ? "held by another"
                                                     : "refused: ") +
               instance.failure().toUtf8();
    });
    if (!child.ran)
        GTEST_SKIP() << "cannot run as another user here";
    EXPECT_EQ(child.output, "refused: " + QByteArray(std::strerror(EACCES)));
}
