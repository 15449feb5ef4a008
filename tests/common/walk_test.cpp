// SPDX-License-Identifier: GPL-3.0-or-later
// The tree walk against real folder trees: order, hooks, classes, patterns, and what it must
// never do (follow links, list FIFOs, enter trash or other volumes, crash on a bad start).
#include "common/walk.h"
#include "tests/common/walk_test_support.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {
namespace {

using test::RecordingHooks;
using test::TreeFixture;
using Lines = QList<QByteArray>;

WalkOptions optionsFor(const QByteArray& start)
{
    WalkOptions o;
    o.start = start;
    return o;
}

TEST(Walk, PreOrderDepthFirstSortedWithEveryHook)
{
    TreeFixture t{"b/x.txt", "a/y/z.txt", "a/X/q.txt", "A.txt", "a.txt", "c.TXT", "a/file"};
    RecordingHooks h(t.root());
    const WalkResult r = walkTree(optionsFor(t.root()), h);
    EXPECT_EQ(r.end, WalkEnd::Complete);
    const Lines expected = {"started 2",      "enter . 0",   "file A.txt",  "file a.txt",     "file c.TXT",
                            "enter a 1",      "file a/file", "enter a/X 2", "file a/X/q.txt", "enter a/y 2",
                            "file a/y/z.txt", "enter b 1",   "file b/x.txt"};
    EXPECT_EQ(h.events, expected);
    EXPECT_EQ(r.folders, 5);
    EXPECT_EQ(r.files, 7);
    EXPECT_EQ(r.unreadable, 0);
    EXPECT_GE(h.yields, 7 + 4); // after every file and before every folder below the start
}

TEST(Walk, AttributeClassesDecideHiddenFilesAndFolders)
{
    TreeFixture t{"v.txt", ".h.txt", ".hd/in.txt", "d/.h2", "d/v2"};
    struct Case
    {
        FileClass files;
        DirClass dirs;
        Lines expected;
    };
    const Case cases[] = {
        {FileClass::Normal, DirClass::Normal, {"v.txt", "d/v2"}},
        {FileClass::All, DirClass::Normal, {".h.txt", "v.txt", "d/.h2", "d/v2"}},
        {FileClass::Normal, DirClass::All, {"v.txt", ".hd/in.txt", "d/v2"}},
        {FileClass::All, DirClass::All, {".h.txt", "v.txt", ".hd/in.txt", "d/.h2", "d/v2"}},
    };
    for (const Case& c : cases) {
        RecordingHooks h(t.root());
        WalkOptions o = optionsFor(t.root());
        o.files = c.files;
        o.dirs = c.dirs;
        EXPECT_EQ(walkTree(o, h).end, WalkEnd::Complete);
        EXPECT_EQ(h.only("file "), c.expected) << int(c.files) << '/' << int(c.dirs);
    }
}

TEST(Walk, PatternsFilterNamesAndAFileComesOnce)
{
    TreeFixture t{"~a.tmp", "b.TMP", "readme", "x.txt", "Ünï.TXT", "dir/c.tmp"};
    struct Case
    {
        QList<QByteArray> patterns;
        Lines expected;
    };
    const Case cases[] = {
        {{"*.tmp", "~*.*"}, {"b.TMP", "~a.tmp", "dir/c.tmp"}},
        {{"*.*"}, {"b.TMP", "readme", "x.txt", "~a.tmp", "Ünï.TXT", "dir/c.tmp"}},
        {{"READ*"}, {"readme"}},
        {{"ünï.txt"}, {"Ünï.TXT"}},
        {{"?.txt", "x.*"}, {"x.txt"}},
    };
    for (const Case& c : cases) {
        RecordingHooks h(t.root());
        WalkOptions o = optionsFor(t.root());
        o.patterns = c.patterns;
        const WalkResult r = walkTree(o, h);
        EXPECT_EQ(h.only("file "), c.expected) << c.patterns.join(' ').constData();
        EXPECT_EQ(r.files, c.expected.size());
    }
}

TEST(Walk, PerFolderFeatureTakesFoldersAndSubFoldersAreStillWalked)
{
    TreeFixture t{"f", "a/g", "a/b/h"};
    RecordingHooks h(t.root());
    h.takeFolders = true;
    const WalkResult r = walkTree(optionsFor(t.root()), h);
    EXPECT_EQ(r.end, WalkEnd::Complete);
    EXPECT_EQ(h.events, (Lines{"started 1", "enter . 0", "enter a 1", "enter a/b 2"}));
    EXPECT_EQ(r.files, 0);
}

TEST(Walk, StopIsHonouredBetweenFilesAndBeforeFolders)
{
    TreeFixture t{"a1", "a2", "a3", "sub/b1"};
    struct Case
    {
        int stopAfterFiles;
        WalkEnd end;
        Lines expected;
    };
    const Case cases[] = {
        {0, WalkEnd::Stopped, {"started 1"}},
        {2, WalkEnd::Stopped, {"started 1", "enter . 0", "file a1", "file a2"}},
        {3, WalkEnd::Stopped, {"started 1", "enter . 0", "file a1", "file a2", "file a3"}},
        {4,
         WalkEnd::Complete,
         {"started 1", "enter . 0", "file a1", "file a2", "file a3", "enter sub 1", "file sub/b1"}},
    };
    for (const Case& c : cases) {
        RecordingHooks h(t.root());
        h.stopAfterFiles = c.stopAfterFiles;
        EXPECT_EQ(walkTree(optionsFor(t.root()), h).end, c.end) << c.stopAfterFiles;
        EXPECT_EQ(h.events, c.expected) << c.stopAfterFiles;
    }
}

TEST(Walk, LinksAreHandledAsThemselvesAndNeverEntered)
{
    TreeFixture outside{"secret/s.txt", "s2.txt"};
    TreeFixture t{"real/in.txt",   "loop -> ..",        "self -> .", "f.txt",   "flink -> f.txt",
                  "dlink -> real", "broken -> nowhere", "h1",        "h2 => h1"};
    t.makeSymlink("out", outside.root());
    t.makeSymlink("outfile", outside.path("s2.txt"));
    t.makeFifo("pipe");
    t.makeFifo("real/pipe2");
    RecordingHooks h(t.root());
    WalkOptions o = optionsFor(t.root());
    o.files = FileClass::All;
    o.dirs = DirClass::All;
    const WalkResult r = walkTree(o, h);
    EXPECT_EQ(r.end, WalkEnd::Complete);
    // Links to folders (loop, self, dlink, out) are neither files nor entered; FIFOs are not files.
    EXPECT_EQ(h.only("file "), (Lines{"broken", "f.txt", "flink", "h1", "h2", "outfile", "real/in.txt"}));
    EXPECT_EQ(h.only("enter "), (Lines{". 0", "real 1"}));
    ASSERT_EQ(h.infos.size(), 7);
    EXPECT_TRUE(h.infos[0].isSymlink()); // broken: its own lstat
    EXPECT_TRUE(h.infos[2].isSymlink()); // flink
    EXPECT_FALSE(h.infos[1].isSymlink());
}

TEST(Walk, NamesAreHandedAsExactBytes)
{
    TreeFixture t;
    const QByteArray odd = TreeFixture::nonUtf8Name();
    const QByteArray newline = TreeFixture::newlineName();
    t.makeFile(odd);
    t.makeFile(newline);
    t.makeFile("dir\xff/inner");
    QList<QByteArray> names, paths, folders;
    RecordingHooks h(t.root());
    h.onFile = [&](const WalkFile& f) {
        names.append(f.name);
        paths.append(f.path);
        folders.append(f.folder);
    };
    EXPECT_EQ(walkTree(optionsFor(t.root()), h).end, WalkEnd::Complete);
    EXPECT_EQ(names, (Lines{odd, newline, "inner"}));
    EXPECT_EQ(paths, (Lines{t.path(odd), t.path(newline), t.path("dir\xff/inner")}));
    EXPECT_EQ(folders, (Lines{t.root(), t.root(), t.path("dir\xff")}));
}

TEST(Walk, FileInfoIsTheFilesOwnLstat)
{
    TreeFixture t{"big.bin:4097", "hole.bin:~100000"};
    const timespec atime{1000000000, 123456789}, mtime{1500000000, 987654321};
    t.setTimes("big.bin", atime, mtime);
    RecordingHooks h(t.root());
    ASSERT_EQ(walkTree(optionsFor(t.root()), h).end, WalkEnd::Complete);
    ASSERT_EQ(h.infos.size(), 2);
    const FileInfo& big = h.infos[0];
    EXPECT_EQ(big.size, 4097);
    EXPECT_GT(big.blocks, 0);
    EXPECT_EQ(big.atime.tv_sec, atime.tv_sec);
    EXPECT_EQ(big.atime.tv_nsec, atime.tv_nsec);
    EXPECT_EQ(big.mtime.tv_sec, mtime.tv_sec);
    EXPECT_EQ(big.mtime.tv_nsec, mtime.tv_nsec);
    EXPECT_EQ(h.infos[1].size, 100000);
    EXPECT_LT(h.infos[1].blocks, 100000 / 512);

    RecordingHooks noStat(t.root());
    WalkOptions o = optionsFor(t.root());
    o.statFiles = false;
    bool sawInfo = false;
    noStat.onFile = [&](const WalkFile& f) { sawInfo = sawInfo || f.info != nullptr; };
    walkTree(o, noStat);
    EXPECT_EQ(noStat.files, 2);
    EXPECT_FALSE(sawInfo);
}

TEST(Walk, AFileThatVanishesBeforeItsLstatIsNotHanded)
{
    for (const bool statFiles : {true, false}) {
        TreeFixture t{"a", "b", "c"};
        RecordingHooks h(t.root());
        h.onFile = [&](const WalkFile& f) {
            if (f.name == "a")
                ::unlink(t.path("b").constData());
        };
        WalkOptions o = optionsFor(t.root());
        o.statFiles = statFiles;
        walkTree(o, h);
        // Without its own lstat the walk cannot know; the feature's lstat finds out.
        EXPECT_EQ(h.only("file "), (statFiles ? Lines{"a", "c"} : Lines{"a", "b", "c"}));
    }
}

TEST(Walk, ABadStartEndsTheWalkWithAReason)
{
    TreeFixture t{"file.txt"};
    struct Case
    {
        QByteArray start;
        const char* reasonPart;
    };
    const Case cases[] = {
        {t.path("gone"), "does not exist"},
        {t.path("file.txt"), "is not a folder"},
        {"", "No start folder"},
    };
    for (const Case& c : cases) {
        RecordingHooks h(t.root());
        const WalkResult r = walkTree(optionsFor(c.start), h);
        EXPECT_EQ(r.end, WalkEnd::Error) << c.start.constData();
        EXPECT_TRUE(r.reason.contains(QLatin1String(c.reasonPart))) << r.reason.toStdString();
        EXPECT_TRUE(h.events.isEmpty());
    }
}

TEST(Walk, TrashFoldersAreNeverEntered)
{
    TreeFixture t{"share/Trash/files/t.txt", "share/keep.txt", "vol/.Trash/x",
                  "vol/.Trash-1000/y",       "vol/.Trashy/z",  "vol/keep/k"};
    // Reached through a link, the user's trash is still known by what it is.
    t.makeSymlink("datalink", "share");
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", t.path("datalink"));

    RecordingHooks h(t.root());
    WalkOptions o = optionsFor(t.root());
    o.files = FileClass::All;
    o.dirs = DirClass::All;
    EXPECT_EQ(walkTree(o, h).end, WalkEnd::Complete);
    EXPECT_EQ(h.only("file "), (Lines{"share/keep.txt", "vol/.Trashy/z", "vol/keep/k"}));

    for (const QByteArray& start : {t.path("share/Trash"), t.path("share/Trash/files"), t.path("vol/.Trash-1000")}) {
        RecordingHooks inside(t.root());
        const WalkResult r = walkTree(optionsFor(start), inside);
        EXPECT_EQ(r.end, WalkEnd::Error) << start.constData();
        EXPECT_TRUE(inside.only("file ").isEmpty());
    }
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
}

TEST(Walk, FoldersThatVanishOrAreReplacedMidWalkAreSkipped)
{
    struct Case
    {
        const char* name;
        std::function<void(TreeFixture&)> onEnterA; // runs when "a" is entered
        Lines expectedFiles;
    };
    const Case cases[] = {
        {"untouched", nullptr, {"a/f", "b/g", "c/h"}},
        {"sibling removed",
         [](TreeFixture& t) { std::filesystem::remove_all(t.path("b").constData()); },
         {"a/f", "c/h"}},
        {"sibling turned into a file",
         [](TreeFixture& t) {
             std::filesystem::remove_all(t.path("b").constData());
             t.makeFile("b");
         },
         {"a/f", "c/h"}},
        {"sibling turned into a link",
         [](TreeFixture& t) {
             std::filesystem::rename(t.path("b").constData(), t.path("b2").constData());
             t.makeSymlink("b", "b2");
         },
         {"a/f", "c/h"}},
    };
    for (const Case& c : cases) {
        TreeFixture t{"a/f", "b/g", "c/h"};
        RecordingHooks h(t.root());
        h.onEnter = [&](const WalkFolder& f) {
            if (f.path == t.path("a") && c.onEnterA)
                c.onEnterA(t);
        };
        const WalkResult r = walkTree(optionsFor(t.root()), h);
        EXPECT_EQ(r.end, WalkEnd::Complete) << c.name;
        EXPECT_EQ(h.only("file "), c.expectedFiles) << c.name;
        EXPECT_TRUE(h.only("error ").isEmpty()) << c.name;
    }
}

TEST(Walk, AClosedFolderThatWasReplacedIsNotReopened)
{
    for (const bool replace : {false, true}) {
        TreeFixture t{"a/b/c1/f", "a/b/c2/g"};
        RecordingHooks h(t.root());
        h.onEnter = [&](const WalkFolder& f) {
            if (replace && f.path == t.path("a/b/c1")) {
                std::filesystem::rename(t.path("a/b").constData(), t.path("a/old").constData());
                t.add({"a/b/c2/new"});
            }
        };
        WalkOptions o = optionsFor(t.root());
        o.maxOpenFolders = 1; // a/b is closed while c1 is walked and must be reopened for c2
        EXPECT_EQ(walkTree(o, h).end, WalkEnd::Complete);
        EXPECT_EQ(h.only("file "), (replace ? Lines{"a/b/c1/f"} : Lines{"a/b/c1/f", "a/b/c2/g"}));
    }
}

TEST(Walk, FewOpenFoldersGiveTheSameWalk)
{
    TreeFixture t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 2; ++k)
                t.makeFile(QByteArray("t%1/u%2/v%3/w/file")
                               .replace("%1", QByteArray::number(i))
                               .replace("%2", QByteArray::number(j))
                               .replace("%3", QByteArray::number(k)));
            t.makeFile("t" + QByteArray::number(i) + "/u" + QByteArray::number(j) + "/f");
        }
    }
    RecordingHooks reference(t.root());
    walkTree(optionsFor(t.root()), reference);
    EXPECT_EQ(reference.files, 3 * 3 * 3);
    for (const int maxOpen : {1, 2, 3, 5}) {
        RecordingHooks h(t.root());
        WalkOptions o = optionsFor(t.root());
        o.maxOpenFolders = maxOpen;
        EXPECT_EQ(walkTree(o, h).end, WalkEnd::Complete);
        EXPECT_EQ(h.events, reference.events) << maxOpen;
    }
}

TEST(Walk, WideFoldersAreListedCompletely)
{
    // Several listing buffers' worth of names, on the disk and, where there is one, on tmpfs:
    // the walk ends a folder's listing early only where the file system allows it.
    QList<QByteArray> bases = {qgetenv("TMPDIR")};
    if (::access("/dev/shm", W_OK) == 0)
        bases.append("/dev/shm");
    for (const QByteArray& base : bases) {
        const QByteArray saved = qgetenv("TMPDIR");
        if (!base.isEmpty())
            qputenv("TMPDIR", base);
        TreeFixture t;
        if (saved.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved);
        t.makeWide("w", 2000, "a-fairly-long-file-name-to-fill-several-listing-buffers-of-the-walk-");
        t.makeChain("w", 3, "sub-folder-at-the-end");
        RecordingHooks h(t.root());
        WalkOptions o = optionsFor(t.root());
        o.statFiles = false;
        const WalkResult r = walkTree(o, h);
        EXPECT_EQ(r.files, 2000) << t.root().constData();
        EXPECT_EQ(r.folders, 2 + 3) << t.root().constData();
    }
}

TEST(Walk, RootStartJoinsWithOneSeparator)
{
    RecordingHooks h("/");
    h.stopAfterFolders = 2;
    WalkOptions o = optionsFor("/");
    o.statFiles = false;
    EXPECT_EQ(walkTree(o, h).end, WalkEnd::Stopped);
    const Lines entered = h.only("enter ");
    ASSERT_EQ(entered.size(), 2);
    EXPECT_EQ(entered[0], ". 0");
    EXPECT_TRUE(entered[1].startsWith('/') && !entered[1].startsWith("//")) << entered[1].constData();
}

TEST(Walk, UnreadableFolderIsReportedAndTheWalkGoesOn)
{
    TreeFixture t{"ok/f1", "locked/f2", "z/f3"};
    t.setMode("locked", 0);
    t.openToOthers();
    const test::ChildResult child = test::runInChild({.asNobody = true}, [&] {
        RecordingHooks h(t.root());
        const WalkResult r = walkTree(optionsFor(t.root()), h);
        RecordingHooks fromLocked(t.root());
        const WalkResult locked = walkTree(optionsFor(t.path("locked")), fromLocked);
        return h.events.join('\n') + "\nend " + QByteArray::number(int(r.end)) + " unreadable " +
               QByteArray::number(r.unreadable) + "\nlocked start " + QByteArray::number(int(locked.end)) + ' ' +
               QByteArray::number(fromLocked.events.size());
    });
    if (!child.ran)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    ASSERT_EQ(child.exitCode, 0);
    // The error comes when the walk tries to enter "locked", between "." and "ok".
    const Lines expected = {"started 3", "enter . 0", "error locked " + QByteArray::number(EACCES), "enter ok 1",
                            "file ok/f1", "enter z 1", "file z/f3", "end 0 unreadable 1",
                            // An unreadable start folder ends the walk as an error before any hook.
                            "locked start 2 0"};
    EXPECT_EQ(child.output.split('\n'), expected);
}

TEST(Walk, OtherVolumesAndBindMountsAreNotEntered)
{
    TreeFixture t{"tree/own.txt", "tree/bind/", "tree/tmp/", "src/under-bind.txt"};
    const test::ChildResult child = test::runInChild({.privateMounts = true}, [&] {
        const QByteArray bind = t.path("tree/bind"), tmp = t.path("tree/tmp");
        if (::mount(t.path("src").constData(), bind.constData(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount("none", tmp.constData(), "tmpfs", 0, nullptr) != 0)
            return QByteArray("no mounts");
        t.add({"tree/tmp/on-tmpfs.txt"});
        struct stat a, b;
        ::stat(t.path("tree").constData(), &a);
        ::stat(bind.constData(), &b);
        RecordingHooks h(t.root());
        walkTree(optionsFor(t.path("tree")), h);
        return QByteArray(a.st_dev == b.st_dev ? "same device\n" : "other device\n") + h.events.join('\n');
    });
    if (!child.ran || child.output == "no mounts")
        GTEST_SKIP() << "cannot make mounts here";
    ASSERT_EQ(child.exitCode, 0);
    // The bind mount keeps the device number: only the mount id tells it apart.
    EXPECT_EQ(child.output, "same device\nstarted 0\nenter tree 0\nfile tree/own.txt");
}

} // namespace
} // namespace bv
