// SPDX-License-Identifier: GPL-3.0-or-later
// Quick Clean's rules without a window: the decision for one file, the folder rules, the
// temporary folder as TMPDIR gives it, the files in use as /proc shows them, and a folder's
// selection on a real tree.
#include "platform/inuse.h"
#include "platform/users.h"
#include "quickclean/quickclean.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

constexpr uid_t kUser = 1000;
constexpr mode_t kFile = S_IFREG | 0644;

QuickCleanChoices boxes(const char* ticked)
{
    // Letters: t *.TMP, b *.BAK, f *.FTS, d *.$$$, w temporary folder, i browser cache.
    const QByteArray t(ticked);
    QuickCleanChoices c;
    c.tmpFiles = t.contains('t');
    c.bakFiles = t.contains('b');
    c.ftsFiles = t.contains('f');
    c.dollarFiles = t.contains('d');
    c.tempFolder = t.contains('w');
    c.browserCache = t.contains('i');
    return c;
}

struct FolderKind
{
    const char* path;
    bool temp;
    bool rootArea;
};
constexpr FolderKind kTemp{"/tmp", true, true};
constexpr FolderKind kDocs{"/home/u/docs", false, false};
constexpr FolderKind kRootHome{"/root/work", false, true};
constexpr FolderKind kCache{"/mnt/win/Windows/Temporary Internet Files/CACHE3", false, false};

struct Row
{
    const char* what;
    const char* ticked;
    uid_t runner;
    FolderKind folder;
    const char* name;
    mode_t mode;
    uid_t owner;
    bool inUse;
    FileVerdict expected;
};

} // namespace

TEST(QuickCleanRules, VerdictForOneFile)
{
    using V = FileVerdict;
    const Row rows[] = {
        {"a *.txt in the temp folder", "w", kUser, kTemp, "notes.txt", kFile, kUser, false, V::Remove},
        {"a *.tmp elsewhere, temp box only", "w", kUser, kDocs, "a.tmp", kFile, kUser, false, V::NotTaken},
        {"type pattern, any case", "t", kUser, kDocs, "REPORT.TMP", kFile, kUser, false, V::Remove},
        {"type pattern, hidden file", "b", kUser, kDocs, ".x.bak", kFile, kUser, false, V::Remove},
        {"*.$$$ box", "d", kUser, kDocs, "setup.$$$", kFile, kUser, false, V::Remove},
        {"*.fts box", "f", kUser, kDocs, "help.FTS", kFile, kUser, false, V::Remove},
        {"unticked type", "tbd", kUser, kDocs, "help.fts", kFile, kUser, false, V::NotTaken},
        {"a link is taken as itself", "t", kUser, kDocs, "l.tmp", S_IFLNK | 0777, kUser, false, V::Remove},
        {"a socket in the temp folder", "w", kUser, kTemp, "sock", S_IFSOCK | 0755, kUser, false, V::NotAFile},
        {"lock file in the temp folder", "w", kUser, kTemp, ".X0-lock", kFile, kUser, false, V::LockInTemp},
        {"hidden *.tmp in the temp folder, *.TMP box", "t", kUser, kTemp, ".a.tmp", kFile, kUser, false, V::LockInTemp},
        {"temp folder, box cleared: types still apply", "t", kUser, kTemp, "a.tmp", kFile, kUser, false, V::Remove},
        {"temp folder, box cleared: others stay", "t", kUser, kTemp, "a.txt", kFile, kUser, false, V::NotTaken},
        {"another user's file in the temp folder", "w", kUser, kTemp, "x.txt", kFile, 1001, false, V::NotOurs},
        {"another user's file held open", "w", kUser, kTemp, "x.txt", kFile, 1001, true, V::NotOurs},
        {"our file held open", "w", kUser, kTemp, "x.txt", kFile, kUser, true, V::InUse},
        {"cache folder, any file", "i", kUser, kCache, "logo[1].gif", kFile, kUser, false, V::Remove},
        {"cache folder, box cleared", "tw", kUser, kCache, "logo[1].gif", kFile, kUser, false, V::NotTaken},
        {"root: a system *.bak", "tbw", 0, kDocs, "passwd.bak", kFile, 0, false, V::NotTaken},
        {"root: its temp folder", "w", 0, kTemp, "x.txt", kFile, 0, false, V::Remove},
        {"root: below its home", "b", 0, kRootHome, "x.bak", kFile, 0, false, V::Remove},
        {"root: a user's file in its home", "b", 0, kRootHome, "x.bak", kFile, kUser, false, V::NotOurs},
    };
    for (const Row& r : rows) {
        const FolderFacts facts{r.folder.path, r.folder.temp, r.folder.rootArea};
        const FolderPlan plan = planFolder(boxes(r.ticked), r.runner, facts);
        const FileFacts file{r.name, r.mode, r.owner, r.inUse};
        EXPECT_EQ(judgeFile(plan, r.runner, file), r.expected) << r.what;
    }
}

TEST(QuickCleanRules, FolderOrderAndWhatIsNotEvenListed)
{
    // Files come by type in the boxes' order, then what only "every file" takes; the temporary
    // folder takes everything in one group.
    const FolderPlan cache = planFolder(boxes("tbi"), kUser, {kCache.path, false, false});
    EXPECT_EQ(takeOrder(cache, "z.tmp"), 0);
    EXPECT_EQ(takeOrder(cache, "a.bak"), 1);
    EXPECT_EQ(takeOrder(cache, "a.gif"), 2);
    const FolderPlan temp = planFolder(boxes("tbw"), kUser, {kTemp.path, true, true});
    EXPECT_EQ(takeOrder(temp, "z.tmp"), takeOrder(temp, "a.txt"));

    EXPECT_TRUE(planFolder(boxes("i"), kUser, {kDocs.path, false, false}).nothing());
    EXPECT_TRUE(planFolder(boxes("tbfdwi"), 0, {kDocs.path, false, false}).nothing());
    EXPECT_FALSE(planFolder(boxes("w"), kUser, {kTemp.path, true, true}).nothing());
}

TEST(QuickCleanRules, BrowserCacheFolders)
{
    const struct
    {
        const char* path;
        bool cache;
    } rows[] = {
        {"/mnt/c/Windows/Temporary Internet Files/Cache1", true},
        {"/mnt/c/WINDOWS/TEMPORARY INTERNET FILES/cache4", true},
        {"/mnt/c/Windows/temporary internet files/Cache2", true},
        {"/x/MyTemporary Internet Files/Cache3", true}, // the last 31 characters decide
        {"/mnt/c/Windows/Temporary Internet Files/Cache5", false},
        {"/mnt/c/Windows/Temporary Internet Files/Cache0", false},
        {"/mnt/c/Windows/Temporary Internet Files", false},
        {"/mnt/c/Windows/Temporary Internet Files/Cache1/sub", false},
        {"/mnt/c/Windows/Temporary_Internet_Files/Cache1", false},
        {"Cache1", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(isBrowserCacheFolder(r.path), r.cache) << r.path;
}

TEST(QuickCleanRules, TemporaryFolderFromTmpdir)
{
    constexpr mode_t dir = S_IFDIR;
    const QList<QByteArray> homes{"/home/u"}, system{"/tmp", "/var/tmp"};
    const struct
    {
        TempFolderFacts folder;
        uid_t uid;
        bool accepted;
    } rows[] = {
        {{"/data/shared", 0, dir | 01777}, kUser, true}, // sticky and open to all
        {{"/data/u-tmp", kUser, dir | 0700}, kUser, true},
        {{"/home/u/Documents", kUser, dir | 0755}, kUser, false}, // inside the home folder
        {{"/data/shared", 0, dir | 0777}, kUser, false},          // open to all, not sticky
        {{"/srv/app", 0, dir | 0755}, kUser, false},              // someone else's
        {{"/home", 0, dir | 01777}, kUser, false},                // above the home folder
        {{"/var/tmp", 0, dir | 01777}, 0, true},
        {{"/data/shared", 0, dir | 01777}, 0, false}, // root: /tmp and /var/tmp only
    };
    for (const auto& r : rows)
        EXPECT_EQ(isAcceptableTempFolder(r.folder, r.uid, homes, system), r.accepted)
            << r.folder.path.constData() << " for uid " << r.uid;

    // Through the environment: a TMPDIR inside the home folder falls back to /tmp, and so does
    // any folder of root's own choosing; a link to an acceptable folder is resolved.
    TreeFixture tree{"home/Documents/", "own/", "link -> own"};
    const QByteArray savedTmp = qgetenv("TMPDIR"), savedHome = qgetenv("HOME");
    qputenv("HOME", tree.path("home"));
    const bool root = ::getuid() == 0;
    for (const auto& [tmpdir, expected] :
         {std::pair{tree.path("home/Documents"), QByteArray("/tmp")},
          std::pair{tree.path("missing"), QByteArray("/tmp")}, std::pair{QByteArray("own"), QByteArray("/tmp")},
          std::pair{tree.path("link"), root ? QByteArray("/tmp") : tree.path("own")}}) {
        qputenv("TMPDIR", tmpdir);
        EXPECT_EQ(systemTempFolder(), expected) << tmpdir.constData();
    }
    qputenv("TMPDIR", savedTmp);
    qputenv("HOME", savedHome);
}

TEST(QuickCleanRules, MapsLines)
{
    const QByteArray maps =
        "55d5c8a00000-55d5c8a02000 r--p 00000000 fd:01 1835093                    /usr/bin/cat\n"
        "7f0000000000-7f0000001000 rw-p 00000000 00:00 0 \n"
        "7ffd6b7b0000-7ffd6b7d1000 rw-p 00000000 00:00 0                          [stack]\n"
        "7f1000000000-7f1000001000 rw-s 00000000 00:1a 77                         /tmp/a b (deleted)\n"
        "7f2000000000-7f2000001000 r--p 00000000 103:02 12                        /tmp/x\\012y\n";
    const QList<MappedFile> files = parseMaps(maps);
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[0].dev, makedev(0xfd, 0x01));
    EXPECT_EQ(files[0].ino, ino_t(1835093));
    EXPECT_EQ(files[0].paths, QList<QByteArray>{"/usr/bin/cat"});
    EXPECT_EQ(files[1].ino, ino_t(77));
    EXPECT_EQ(files[1].paths, QList<QByteArray>{"/tmp/a b (deleted)"});
    EXPECT_EQ(files[2].dev, makedev(0x103, 0x02));
    EXPECT_EQ(files[2].paths, (QList<QByteArray>{"/tmp/x\\012y", "/tmp/x\ny"}));
}

TEST(QuickCleanRules, FilesHeldOpenOrMappedAreInUse)
{
    TreeFixture tree{"open.tmp:10", "mapped.tmp:4096", "idle.tmp:10"};
    const int held = ::open(tree.path("open.tmp").constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    const int m = ::open(tree.path("mapped.tmp").constData(), O_RDONLY);
    ASSERT_GE(m, 0);
    void* map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, m, 0);
    ASSERT_NE(map, MAP_FAILED);
    ::close(m); // only the mapping is left

    const FilesInUse inUse = FilesInUse::ofRunningProcesses();
    ASSERT_TRUE(inUse.readable());
    auto used = [&](const char* name) {
        struct stat st;
        return ::lstat(tree.path(name).constData(), &st) == 0 && inUse.contains(st.st_dev, st.st_ino);
    };
    EXPECT_TRUE(used("open.tmp"));
    EXPECT_TRUE(used("mapped.tmp"));
    EXPECT_FALSE(used("idle.tmp"));

    // Asked of the kernel, one file at a time: the same answers.
    const int folder = ::open(tree.root().constData(), O_RDONLY | O_DIRECTORY);
    auto probe = [&](const char* name) {
        struct stat st;
        EXPECT_EQ(::lstat(tree.path(name).constData(), &st), 0);
        return probeInUse(folder, name, FileInfo::fromStat(st));
    };
    EXPECT_EQ(probe("open.tmp"), UseProbe::InUse);
    EXPECT_EQ(probe("mapped.tmp"), UseProbe::InUse);
    EXPECT_EQ(probe("idle.tmp"), UseProbe::Free);
    ::munmap(map, 4096);
    ::close(held);
    EXPECT_EQ(probe("open.tmp"), UseProbe::Free);
    ::close(folder);
}

TEST(QuickCleanRules, SelectorTakesAFolderInTheRulesOrder)
{
    // As root (CI) a clean reaches only the temporary folder and root's home, so the ordinary
    // folder of this tree lies below the temporary folder.
    TreeFixture tree{"tmp/keep.txt",   "tmp/.X0-lock",      "tmp/docs/b.tmp:3",  "tmp/docs/a.BAK:5",
                     "tmp/docs/c.TMP", "tmp/docs/note.txt", "tmp/docs/held.bak", "tmp/docs/.hid.tmp"};
    tree.makeFifo("tmp/fifo");
    QuickCleanChoices choices = boxes("tbw");
    CleanSetting setting;
    setting.runner = ::getuid();
    setting.tempFolder = tree.path("tmp");
    setting.now = ::time(nullptr) + 2 * kTempFileGraceSeconds; // the fixture's files are old by then
    struct stat held;
    ASSERT_EQ(::lstat(tree.path("tmp/docs/held.bak").constData(), &held), 0);
    setting.inUse.add(held.st_dev, held.st_ino);
    QuickCleanSelector selector(choices, setting);

    auto take = [&](const QByteArray& rel) {
        const QByteArray path = tree.path(rel);
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
        EXPECT_GE(fd, 0);
        ::lseek(fd, 0, SEEK_END); // the walk has read the folder already
        QStringList out;
        CleanCandidate c;
        for (bool more = selector.beginFolder(WalkFolder{path, fd, 1}); more && selector.next(c);) {
            if (c.verdict == FileVerdict::Remove || c.verdict == FileVerdict::InUse)
                out << QString::fromUtf8(c.name) + (c.verdict == FileVerdict::InUse ? QStringLiteral(" (in use)") : "");
        }
        ::close(fd);
        return out;
    };
    EXPECT_EQ(take("tmp"), QStringList{"keep.txt"});
    EXPECT_EQ(take("tmp/docs"), (QStringList{".hid.tmp", "b.tmp", "c.TMP", "a.BAK", "held.bak (in use)"}));
}
