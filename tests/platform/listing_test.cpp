// SPDX-License-Identifier: GPL-3.0-or-later
// Listing one folder: what it shows, in which order, and how it fails.
#include "platform/listing.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace bv {
namespace {

using test::TreeFixture;
using Lines = QList<QByteArray>;

Lines fileNames(const FolderListing& l)
{
    Lines out;
    for (const ListedFile& f : l.files)
        out.append(f.name);
    return out;
}

Lines folderNames(const FolderListing& l)
{
    Lines out;
    for (const ListedFolder& f : l.folders)
        out.append(f.name);
    return out;
}

TEST(Listing, FilesAndFoldersByClassSortedWithoutSpecialEntries)
{
    TreeFixture t{"b.txt:10",       "A.txt:3",           ".h",        "sub/",   "Sub2/", ".hsub/", "dlink -> sub",
                  "flink -> b.txt", "broken -> nowhere", ".Trash-0/", ".Trash/"};
    t.makeFifo("fifo");
    struct Case
    {
        FileClass files;
        DirClass dirs;
        Lines expectedFiles;
        Lines expectedFolders;
    };
    const Case cases[] = {
        {FileClass::Normal, DirClass::Normal, {"A.txt", "b.txt", "broken", "flink"}, {"sub", "Sub2"}},
        {FileClass::All, DirClass::All, {".h", "A.txt", "b.txt", "broken", "flink"}, {".hsub", "sub", "Sub2"}},
    };
    for (const Case& c : cases) {
        ListOptions o;
        o.files = c.files;
        o.dirs = c.dirs;
        const FolderListing l = listFolder(t.root(), o);
        EXPECT_EQ(l.error, 0);
        EXPECT_EQ(fileNames(l), c.expectedFiles);
        EXPECT_EQ(folderNames(l), c.expectedFolders);
    }
    const FolderListing l = listFolder(t.root(), ListOptions{});
    ASSERT_EQ(l.files.size(), 4);
    EXPECT_EQ(l.files[0].info.size, 3);
    EXPECT_EQ(l.files[1].info.size, 10);
    EXPECT_TRUE(l.files[3].info.isSymlink());
}

TEST(Listing, OptionsNarrowTheListing)
{
    TreeFixture t{"a.tmp:5", "b.doc", "~c.tmp", "d/"};
    ListOptions o;
    o.patterns = {"*.TMP", "~*"};
    o.wantFolders = false;
    o.statFiles = false;
    FolderListing l = listFolder(t.root(), o);
    EXPECT_EQ(fileNames(l), (Lines{"a.tmp", "~c.tmp"}));
    EXPECT_TRUE(l.folders.isEmpty());
    EXPECT_EQ(l.files[0].info.size, 0); // not statted

    ListOptions foldersOnly;
    foldersOnly.wantFiles = false;
    l = listFolder(t.root(), foldersOnly);
    EXPECT_TRUE(l.files.isEmpty());
    EXPECT_EQ(folderNames(l), (Lines{"d"}));
}

TEST(Listing, AnOpenFolderCanBeListedAgain)
{
    TreeFixture t{"x", "y/"};
    const int fd = ::open(t.root().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const FolderListing first = listFolder(fd, ListOptions{});
    const FolderListing second = listFolder(fd, ListOptions{});
    ::close(fd);
    EXPECT_EQ(fileNames(first), (Lines{"x"}));
    EXPECT_EQ(fileNames(second), fileNames(first));
    EXPECT_EQ(folderNames(second), (Lines{"y"}));
}

TEST(Listing, FailuresComeBackAsErrno)
{
    TreeFixture t{"file"};
    EXPECT_EQ(listFolder(t.path("gone"), ListOptions{}).error, ENOENT);
    EXPECT_EQ(listFolder(t.path("file"), ListOptions{}).error, ENOTDIR);
    EXPECT_EQ(listFolder(QByteArray(), ListOptions{}).error, ENOENT);
}

TEST(Listing, WideFolderIsCompleteAndOrdered)
{
    TreeFixture t;
    constexpr int count = 2000; // several getdents64 buffers' worth
    t.makeWide("w", count, "Name-with-a-longer-body-to-take-more-room-in-each-listing-buffer-");
    t.makeFile("w/a-first");
    t.makeFile("w/ZZ-last");
    ListOptions o;
    o.statFiles = false;
    const Lines names = fileNames(listFolder(t.path("w"), o));
    ASSERT_EQ(names.size(), count + 2);
    EXPECT_EQ(names.front(), "a-first");
    EXPECT_EQ(names.back(), "ZZ-last");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const QByteArray& a, const QByteArray& b) { return compareNames(a, b) < 0; }));
}

// Learning where a link leads follows it, and following a link stamps its access time on a
// relatime mount once that time is a day old. A link unused for years must stay that way, or
// "haven't been used since" never matches it.
TEST(Listing, LookingAtLinksLeavesTheirAccessTimes)
{
    TreeFixture t{"target.doc", "dir/", "flink -> target.doc", "dlink -> dir", "broken -> nowhere"};
    const timespec old{978307200, 123}; // 2001-01-01
    const Lines links = {"flink", "dlink", "broken"};
    for (const QByteArray& name : links)
        t.setTimes(name, old, timespec{946684800, 0});
    const FolderListing l = listFolder(t.root(), ListOptions{});
    ASSERT_EQ(fileNames(l), (Lines{"broken", "flink", "target.doc"}));
    EXPECT_EQ(l.files[0].info.atime.tv_sec, old.tv_sec);
    EXPECT_EQ(l.files[1].info.atime.tv_sec, old.tv_sec);
    for (const QByteArray& name : links) {
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(t.path(name).constData(), &st), 0);
        EXPECT_EQ(st.st_atim.tv_sec, old.tv_sec) << name.constData();
        EXPECT_EQ(st.st_atim.tv_nsec, old.tv_nsec) << name.constData();
    }
}

TEST(Listing, TrashNames)
{
    const struct
    {
        const char* name;
        bool trash;
    } cases[] = {{".Trash", true},   {".Trash-1000", true}, {".Trash-0", true}, {".Trash-", false},
                 {".Trashy", false}, {".Trash-10a", false}, {"Trash", false},   {".trash", false}};
    for (const auto& c : cases)
        EXPECT_EQ(TrashFolders::isTrashName(c.name), c.trash) << c.name;
}

} // namespace
} // namespace bv
