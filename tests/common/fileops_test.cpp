// SPDX-License-Identifier: GPL-3.0-or-later
// The file operations and the re-checked removal, on real files: trash into an isolated trash
// (HOME and XDG_DATA_HOME point into the build tree, set by ctest), moves within and across
// file systems, exact access times, and the cases a fake has to make (CI runs as root).
#include "platform/fileops.h"
#include "platform/filetype.h"
#include "common/removal.h"
#include "common/walk.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

using namespace bv;

namespace {

QByteArray envPath(const char* name)
{
    const char* v = std::getenv(name);
    return v ? QByteArray(v) : QByteArray();
}

void writeFile(const QByteArray& path, const QByteArray& data = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
    ::close(fd);
}

// Byte paths all the way (QFile cannot name every file).
QByteArray readBytes(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, n);
    ::close(fd);
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
struct LeakCheckOff
{
    LeakCheckOff() { __lsan_disable(); }
    ~LeakCheckOff() { __lsan_enable(); }
};
#else
struct LeakCheckOff
{
};
#endif

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

FileInfo infoOf(const QByteArray& path)
{
    struct stat st
    {
    };
    ::lstat(path.constData(), &st);
    return FileInfo::fromStat(st);
}

void setTimes(const QByteArray& path, timespec atime, timespec mtime)
{
    const timespec times[2] = {atime, mtime};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A temporary folder on another file system than `other` (/dev/shm), or null when none is at hand.
std::unique_ptr<QTemporaryDir> otherFileSystemDir(const QByteArray& other)
{
    struct stat a
    {
    }, b{};
    if (::stat(other.constData(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
        return nullptr;
    auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/bv-fileops-XXXXXX"));
    return dir->isValid() ? std::move(dir) : nullptr;
}

// The names in a folder, sorted, joined by spaces.
QByteArray entriesOf(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names.join(' ');
}

// chattr +i / -i; false where the file system or the user cannot.
bool setImmutable(const QByteArray& path, bool on)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class FileOpsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = envPath("HOME");
        // Run through ctest, which points HOME and XDG_DATA_HOME into the build tree: anything
        // else would fill the real trash of whoever runs it.
        if (!home.contains("/home-fileops") || !envPath("XDG_DATA_HOME").startsWith(home + '/'))
            GTEST_SKIP() << "run through ctest (needs its isolated HOME and XDG_DATA_HOME)";
        // The isolated home lives in the build tree; the work folder sits on the same volume, so
        // the trash used is the home trash, not a .Trash-UID at the top of the volume.
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(home + "/.local/share")));
        // Byte names: QDir would leave the non-UTF-8 ones behind.
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(envPath("XDG_DATA_HOME").toStdString() + "/Trash"), ec);
        work = std::make_unique<QTemporaryDir>(QFile::decodeName(home + "/work-XXXXXX"));
        ASSERT_TRUE(work->isValid());
        dir = QFile::encodeName(work->path());
    }

    QByteArray file(const QByteArray& name, const QByteArray& data = "x")
    {
        const QByteArray p = dir + '/' + name;
        writeFile(p, data);
        return p;
    }

    QByteArray home;
    QByteArray dir;
    std::unique_ptr<QTemporaryDir> work;
};

TEST_F(FileOpsTest, TrashGoesToTheDesktopTrashWithItsRecord)
{
    // A plain name, one with a space and one that is not UTF-8: the record holds the escaped path.
    const QList<QByteArray> names = {"plain.tmp", "with space.tmp", QByteArray("caf\xe9.tmp")};
    const QByteArray trash = envPath("XDG_DATA_HOME") + "/Trash";
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toPercentEncoding().constData());
        const QByteArray p = file(name, "contents");
        EXPECT_EQ(removeListedFile(p, infoOf(p), true).outcome, ActOutcome::Done);
        EXPECT_FALSE(exists(p));
        EXPECT_TRUE(exists(trash + "/files/" + name));
        const QByteArray record = readBytes(trash + "/info/" + name + ".trashinfo");
        EXPECT_TRUE(record.contains("[Trash Info]"));
        EXPECT_TRUE(record.contains("\nPath=" + p.toPercentEncoding("/") + "\n")) << record.constData();
        EXPECT_TRUE(record.contains("DeletionDate="));
    }
}

// A listed link stands for itself: trashing or deleting it must never reach its target.
TEST_F(FileOpsTest, ALinkIsRemovedAsItself)
{
    const QByteArray target = file("target.doc", "precious");
    for (const bool toTrash : {true, false}) {
        SCOPED_TRACE(toTrash ? "trash" : "delete");
        const QByteArray name = toTrash ? "to-trash.lnk" : "to-delete.lnk";
        const QByteArray link = dir + '/' + name;
        ASSERT_EQ(::symlink(target.constData(), link.constData()), 0);
        EXPECT_EQ(removeListedFile(link, infoOf(link), toTrash).outcome, ActOutcome::Done);
        EXPECT_FALSE(exists(link));
        EXPECT_EQ(readBytes(target), "precious");
        if (toTrash) {
            EXPECT_TRUE(S_ISLNK(infoOf(envPath("XDG_DATA_HOME") + "/Trash/files/" + name).mode));
        }
    }
}

TEST_F(FileOpsTest, TrashOnAVolumeWithoutTrashIsRefusedAndTheFileStays)
{
    const auto shm = otherFileSystemDir(dir);
    const QByteArray other = shm ? QFile::encodeName(shm->path()) : QByteArray();
    struct statfs sf
    {
    };
    if (other.isEmpty() || ::statfs(other.constData(), &sf) != 0 || sf.f_type != 0x01021994 /* TMPFS_MAGIC */)
        GTEST_SKIP() << "no tmpfs at /dev/shm on another file system here";
    const QByteArray p = other + "/cache.tmp";
    writeFile(p);
    QString why;
    EXPECT_FALSE(fileOps().canTrashAt(other, &why));
    EXPECT_FALSE(why.isEmpty());
    const ActResult r = fileOps().trash(p, infoOf(p));
    EXPECT_EQ(r.outcome, ActOutcome::NotSupported) << r.reason.toStdString();
    EXPECT_TRUE(exists(p)) << "a refused trash must never turn into a deletion";
    const ActResult rr = removeListedFile(p, infoOf(p), true);
    EXPECT_EQ(rr.outcome, ActOutcome::NotSupported);
    EXPECT_TRUE(exists(p));
}

TEST_F(FileOpsTest, NothingActsOnAnEmptyPath)
{
    // GIO takes "" for the current folder: make the current folder one whose loss would show.
    const QByteArray keep = file("keep.tmp");
    ASSERT_EQ(::chdir(dir.constData()), 0);
    EXPECT_EQ(fileOps().trash("", FileInfo{}).outcome, ActOutcome::Vanished);
    EXPECT_EQ(fileOps().remove("", FileInfo{}).outcome, ActOutcome::Vanished);
    EXPECT_EQ(fileOps().move("", FileInfo{}, dir + "/..").outcome, ActOutcome::Vanished);
    EXPECT_EQ(fileOps().move(keep, infoOf(keep), "").outcome, ActOutcome::Vanished);
    EXPECT_EQ(fileOps().restoreAccessTime("", FileInfo{}, timespec{1, 0}).outcome, ActOutcome::Vanished);
    EXPECT_EQ(removeListedFile("", FileInfo{}, true).outcome, ActOutcome::Vanished);
    EXPECT_TRUE(exists(keep));
    EXPECT_TRUE(exists(dir));
    ASSERT_EQ(::chdir("/"), 0);
}

TEST_F(FileOpsTest, RestoreAccessTimeIsExactAndLeavesTheRestAlone)
{
    const QByteArray p = file("seen.doc");
    const timespec mtime{1600000000, 123456789};
    setTimes(p, timespec{1700000000, 5}, mtime);
    const timespec wanted{1500000000, 987654321};
    ASSERT_TRUE(fileOps().restoreAccessTime(p, infoOf(p), wanted).done());
    const FileInfo after = infoOf(p);
    EXPECT_TRUE(sameTime(after.atime, wanted)) << after.atime.tv_sec << "." << after.atime.tv_nsec;
    EXPECT_TRUE(sameTime(after.mtime, mtime));

    // On a link it is the link's own time that changes, never its target's.
    const QByteArray link = dir + "/link.doc";
    ASSERT_EQ(::symlink(p.constData(), link.constData()), 0);
    ASSERT_TRUE(fileOps().restoreAccessTime(link, infoOf(link), timespec{1400000000, 1}).done());
    EXPECT_TRUE(sameTime(infoOf(p).atime, wanted));
    EXPECT_EQ(infoOf(link).atime.tv_sec, 1400000000);

    EXPECT_EQ(fileOps().restoreAccessTime(dir + "/gone.doc", after, wanted).outcome, ActOutcome::Vanished);

    // After Explore the program may have replaced the file (saved as a new file, renamed over
    // it): the time belongs to the file that was shown, never to its successor.
    const FileInfo shown = infoOf(p);
    const QByteArray successor = file("successor.doc", "saved by the program");
    setTimes(successor, timespec{1700000000, 0}, mtime);
    ASSERT_EQ(::rename(successor.constData(), p.constData()), 0);
    EXPECT_EQ(fileOps().restoreAccessTime(p, shown, wanted).outcome, ActOutcome::Changed);
    EXPECT_EQ(infoOf(p).atime.tv_sec, 1700000000);
}

struct MoveCase
{
    const char* name;
    bool acrossFileSystems;
    bool symlink;
};

class MoveTest : public FileOpsTest, public ::testing::WithParamInterface<MoveCase>
{
};

TEST_P(MoveTest, MovesKeepingTimesAndNeverOverwrite)
{
    const MoveCase& c = GetParam();
    QByteArray dest = dir + "/keep";
    std::unique_ptr<QTemporaryDir> shm;
    if (c.acrossFileSystems) {
        shm = otherFileSystemDir(dir);
        if (!shm)
            GTEST_SKIP() << "no second file system (/dev/shm) here";
        dest = QFile::encodeName(shm->path());
    } else {
        ASSERT_EQ(::mkdir(dest.constData(), 0755), 0);
    }
    const QByteArray target = file("target.txt", "target");
    QByteArray src = file("a.tmp", "moved contents");
    const timespec atime{1500000000, 111222333};
    const timespec mtime{1600000000, 444555666};
    if (c.symlink) {
        src = dir + "/a.lnk";
        ASSERT_EQ(::symlink(target.constData(), src.constData()), 0);
    }
    setTimes(src, atime, mtime);
    const FileInfo listed = infoOf(src);

    // A file of the same name waits in the destination: refused, both untouched.
    const QByteArray there = dest + '/' + QByteArray(c.symlink ? "a.lnk" : "a.tmp");
    writeFile(there, "already here");
    ActResult r = moveListedFile(src, listed, dest);
    EXPECT_EQ(r.outcome, ActOutcome::Refused);
    EXPECT_TRUE(exists(src));
    EXPECT_EQ(readBytes(there), "already here");
    ASSERT_EQ(::unlink(there.constData()), 0);

    r = moveListedFile(src, listed, dest);
    ASSERT_EQ(r.outcome, ActOutcome::Done) << r.reason.toStdString();
    EXPECT_FALSE(exists(src));
    const FileInfo moved = infoOf(there);
    EXPECT_EQ(S_ISLNK(moved.mode), c.symlink);
    EXPECT_EQ(moved.size, listed.size);
    if (c.symlink) {
        EXPECT_TRUE(exists(target)) << "the link's target stays where it is";
    } else {
        // Microseconds at least across file systems; exact when it is a rename.
        EXPECT_EQ(moved.mtime.tv_sec, mtime.tv_sec);
        EXPECT_EQ(moved.mtime.tv_nsec / 1000, mtime.tv_nsec / 1000);
        EXPECT_EQ(moved.atime.tv_sec, atime.tv_sec);
        if (!c.acrossFileSystems) {
            EXPECT_TRUE(sameTime(moved.mtime, mtime));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Moves, MoveTest,
                         ::testing::Values(MoveCase{"WithinFileSystem", false, false},
                                           MoveCase{"AcrossFileSystems", true, false},
                                           MoveCase{"LinkWithin", false, true}, MoveCase{"LinkAcross", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileOpsTest, MoveIntoItsOwnFolderIsRefused)
{
    const QByteArray p = file("stay.tmp", "data");
    EXPECT_EQ(moveListedFile(p, infoOf(p), dir).outcome, ActOutcome::Refused);
    EXPECT_TRUE(exists(p));
}

// What the re-check catches, for a removal and a move alike.
TEST_F(FileOpsTest, AFileThatChangedSinceItWasListedIsNotTouched)
{
    struct Case
    {
        const char* what;
        std::function<void(const QByteArray&)> change;
        ActOutcome expected;
    };
    const QList<Case> cases = {
        {"grown", [](const QByteArray& p) { writeFile(p, "much longer now"); }, ActOutcome::Changed},
        {"rewritten, same size",
         [](const QByteArray& p) {
             writeFile(p, "abcd");
             setTimes(p, timespec{0, UTIME_OMIT}, timespec{1700000000, 1});
         },
         ActOutcome::Changed},
        {"replaced by another file",
         [](const QByteArray& p) {
             const FileInfo before = infoOf(p);
             const QByteArray other = p + ".new";
             writeFile(other, "abcd");
             setTimes(other, before.atime, before.mtime);
             ASSERT_EQ(::rename(other.constData(), p.constData()), 0);
         },
         ActOutcome::Changed},
        {"replaced by a folder",
         [](const QByteArray& p) {
             ASSERT_EQ(::unlink(p.constData()), 0);
             ASSERT_EQ(::mkdir(p.constData(), 0755), 0);
         },
         ActOutcome::Changed},
        {"vanished", [](const QByteArray& p) { ASSERT_EQ(::unlink(p.constData()), 0); }, ActOutcome::Vanished},
        {"only looked at (access time)",
         [](const QByteArray& p) {
             setTimes(p, timespec{1234, 0}, timespec{0, UTIME_OMIT});
         },
         ActOutcome::Done},
    };
    const QByteArray dest = dir + "/dest";
    ASSERT_EQ(::mkdir(dest.constData(), 0755), 0);
    int n = 0;
    for (const Case& c : cases) {
        for (int action = 0; action < 3; ++action) { // delete, trash, move
            SCOPED_TRACE(std::string(c.what) + " / action " + std::to_string(action));
            const QByteArray p = file("f" + QByteArray::number(n++) + ".tmp", "abcd");
            setTimes(p, timespec{1500000000, 0}, timespec{1600000000, 0});
            const FileInfo listed = infoOf(p);
            c.change(p);
            const FileInfo now = infoOf(p);
            RecordingFileOps ops;
            const ActResult r =
                action == 2 ? moveListedFile(p, listed, dest) : removeListedFile(p, listed, action == 1);
            EXPECT_EQ(r.outcome, c.expected);
            if (c.expected != ActOutcome::Done) {
                EXPECT_TRUE(ops.calls.isEmpty()) << "nothing may act on a changed or vanished file";
                if (c.expected == ActOutcome::Changed) {
                    EXPECT_EQ(infoOf(p).ino, now.ino);
                    EXPECT_TRUE(exists(p));
                }
            } else {
                EXPECT_FALSE(exists(p));
            }
        }
    }
}

// Failures the system would give only to an ordinary user, made through the fake.
TEST_F(FileOpsTest, FailuresComeBackAsValuesAndNeverFallBackToDeletion)
{
    struct Case
    {
        const char* what;
        bool toTrash;
        ActResult failure;
        ActOutcome expected;
    };
    const QList<Case> cases = {
        {"trash refused", true, {ActOutcome::Refused, QStringLiteral("Permission denied")}, ActOutcome::Refused},
        {"no trash on the volume",
         true,
         {ActOutcome::NotSupported, QStringLiteral("not supported")},
         ActOutcome::NotSupported},
        {"gone meanwhile", true, {ActOutcome::Vanished, QString()}, ActOutcome::Vanished},
        {"unlink refused", false, {ActOutcome::Refused, QStringLiteral("Permission denied")}, ActOutcome::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray p = file("locked.tmp", "data");
        RecordingFileOps ops;
        if (c.toTrash)
            ops.failTrash = c.failure;
        else
            ops.failRemove = c.failure;
        const ActResult r = removeListedFile(p, infoOf(p), c.toTrash);
        EXPECT_EQ(r.outcome, c.expected);
        EXPECT_EQ(r.reason, c.failure.reason);
        EXPECT_EQ(ops.ops(), QList<QByteArray>{c.toTrash ? "trash" : "remove"});
        EXPECT_TRUE(exists(p));
    }
}

// A move across file systems that cannot finish leaves the destination as it was: a copy left
// there keeps a second copy of the file around and makes the next try fail with "already
// exists".
TEST_F(FileOpsTest, AMoveAcrossFileSystemsThatCannotFinishLeavesNothingBehind)
{
    enum class Fault { SourceFolderNotWritable, SourceCannotBeRemoved, DestinationFull };
    const struct
    {
        const char* what;
        Fault fault;
    } cases[] = {
        {"the source folder is not writable", Fault::SourceFolderNotWritable},
        {"the source cannot be removed once copied", Fault::SourceCannotBeRemoved},
        {"the destination fills up halfway", Fault::DestinationFull},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TreeFixture t{"src/a.tmp:200000", "full/"};
        const QByteArray src = t.path("src/a.tmp");
        std::unique_ptr<QTemporaryDir> shm = otherFileSystemDir(t.root());
        QByteArray dest = shm ? QFile::encodeName(shm->path()) : QByteArray();
        test::ChildSetup setup;
        switch (c.fault) {
        case Fault::SourceFolderNotWritable:
            t.setMode("src", 0555);
            t.openToOthers();
            setup.asNobody = true;
            if (!dest.isEmpty())
                ::chmod(dest.constData(), 0777);
            break;
        case Fault::SourceCannotBeRemoved:
            if (!setImmutable(src, true))
                dest.clear();
            break;
        case Fault::DestinationFull:
            dest = t.path("full"); // a small tmpfs, mounted in the child
            setup.privateMounts = true;
            break;
        }
        if (dest.isEmpty())
            continue;
        const FileInfo listed = infoOf(src);
        const test::ChildResult child = test::runInChild(setup, [&] {
            if (c.fault == Fault::DestinationFull && ::mount("none", dest.constData(), "tmpfs", 0, "size=64k") != 0)
                return QByteArray("no mount");
            const ActResult r = moveListedFile(src, listed, dest);
            return QByteArray::number(int(r.outcome)) + " [" + entriesOf(dest) + "] " +
                   (readBytes(src).size() == 200000 ? "source whole" : "source damaged");
        });
        setImmutable(src, false);
        if (!child.ran || child.output == "no mount")
            continue;
        ++made;
        EXPECT_EQ(child.output.toStdString(), std::to_string(int(ActOutcome::Refused)) + " [] source whole");
    }
    if (made == 0)
        GTEST_SKIP() << "none of the faults can be made here";
}

// The check and the act go through one descriptor of the file's folder: whatever is done to the
// folder's path or the target name in between, the act reaches the file that was checked, and
// nothing else.
TEST_F(FileOpsTest, TheActReachesTheFileThatWasChecked)
{
    const QByteArray box = dir + "/box";
    const QByteArray dest = dir + "/dest";
    ASSERT_EQ(::mkdir(box.constData(), 0755), 0);
    ASSERT_EQ(::mkdir(dest.constData(), 0755), 0);
    const QByteArray listedFile = box + "/f.tmp";
    writeFile(listedFile, "listed");

    // Delete: the folder is renamed away and another takes its place, with a file of that name.
    RealFileOps::setHookBeforeActing([&] {
        ASSERT_EQ(::rename(box.constData(), (box + ".old").constData()), 0);
        ASSERT_EQ(::mkdir(box.constData(), 0755), 0);
        writeFile(listedFile, "newcomer");
    });
    ActResult r = removeListedFile(listedFile, infoOf(listedFile), false);
    EXPECT_EQ(r.outcome, ActOutcome::Done) << r.reason.toStdString();
    EXPECT_FALSE(exists(box + ".old/f.tmp"));
    EXPECT_EQ(readBytes(listedFile), "newcomer");

    // Move: a file appears under the target name after every check.
    const QByteArray mine = file("m.tmp", "mine");
    RealFileOps::setHookBeforeActing([&] { writeFile(dest + "/m.tmp", "newcomer"); });
    r = moveListedFile(mine, infoOf(mine), dest);
    RealFileOps::setHookBeforeActing({});
    EXPECT_EQ(r.outcome, ActOutcome::Refused);
    EXPECT_EQ(readBytes(dest + "/m.tmp"), "newcomer");
    EXPECT_EQ(readBytes(mine), "mine");
}

// A listing never crosses a mount, so a file reached through one that was put over a listed
// folder afterwards is not the file listed, even when it is the same inode (a hard link outside
// the search): whatever acts on it must leave it alone.
TEST_F(FileOpsTest, AMountPutOverAListedFolderLeadsNowhere)
{
    test::TreeFixture t{"tree/sub/x.txt:10", "outside/decoy/", "dest/"};
    t.makeHardLink("outside/decoy/x.txt", "tree/sub/x.txt");
    const test::ChildResult child = test::runInChild({.privateMounts = true}, [&] {
        // Listed in the mount namespace it is acted in (a namespace has mounts of its own).
        struct Lister : WalkHooks
        {
            bool stopRequested() override { return false; }
            void file(const WalkFile& f) override { listed = *f.info; }
            FileInfo listed;
        } lister;
        WalkOptions options;
        options.start = t.path("tree");
        if (walkTree(options, lister).end != WalkEnd::Complete)
            return QByteArray("no walk");
        if (::mount(t.path("outside/decoy").constData(), t.path("tree/sub").constData(), nullptr, MS_BIND, nullptr) !=
            0)
            return QByteArray("no mount");
        QByteArray out;
        for (int action = 0; action < 3; ++action) { // delete, trash, move
            const QByteArray p = t.path("tree/sub/x.txt");
            const ActResult r = action == 2 ? moveListedFile(p, lister.listed, t.path("dest"))
                                            : removeListedFile(p, lister.listed, action == 1);
            out += QByteArray::number(int(r.outcome)) + (exists(p) ? " there\n" : " gone\n");
        }
        return out;
    });
    if (!child.ran || child.output == "no mount" || child.output == "no walk")
        GTEST_SKIP() << "cannot mount here (needs root or user namespaces)";
    const QByteArray changed = QByteArray::number(int(ActOutcome::Changed)) + " there\n";
    EXPECT_EQ(child.output, changed + changed + changed);
    EXPECT_TRUE(exists(t.path("tree/sub/x.txt")));
    EXPECT_TRUE(exists(t.path("outside/decoy/x.txt")));
}

// A move to another volume copies the file. A sparse file (a disk image) keeps its holes: it
// needs the room its data takes, not its length, and fits where only that room is free. A long
// copy tells its progress and can be cancelled, leaving nothing behind.
TEST_F(FileOpsTest, AMoveToAnotherVolumeKeepsHolesAndCanBeCancelled)
{
    test::TreeFixture t{"src/", "small/"};
    const QByteArray image = t.path("src/disk.img"), big = t.path("src/big.bin");
    const QByteArray data = QByteArray(8192, 'd');
    {
        const int fd = ::open(image.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, data.constData(), size_t(data.size()), 512 << 20), data.size());
        ASSERT_EQ(::ftruncate(fd, off_t(1) << 30), 0);
        ::close(fd);
    }
    writeFile(big, QByteArray(3 << 20, 'b'));
    const FileInfo imageListed = infoOf(image), bigListed = infoOf(big);
    const QByteArray dest = t.path("small");
    const test::ChildResult child = test::runInChild({.privateMounts = true}, [&] {
        if (::mount("none", dest.constData(), "tmpfs", 0, "size=8m") != 0)
            return QByteArray("no mount");
        QByteArray out;
        const ActResult moved = moveListedFile(image, imageListed, dest);
        const FileInfo copy = infoOf(dest + "/disk.img");
        QByteArray at(data.size(), '\0');
        const int fd = ::open((dest + "/disk.img").constData(), O_RDONLY);
        const bool same = fd >= 0 && ::pread(fd, at.data(), size_t(at.size()), 512 << 20) == at.size() && at == data;
        ::close(fd);
        out += QByteArray::number(int(moved.outcome)) + ' ' + QByteArray::number(copy.size) +
               (copy.blocks * 512 <= 64 * 1024 ? " sparse" : " filled") + (same ? " same" : " differs") +
               (exists(image) ? " source-left\n" : "\n");
        int calls = 0;
        const CopyProgressScope cancelSoon([&calls](std::int64_t, std::int64_t) { return ++calls < 2; });
        const ActResult cancelled = moveListedFile(big, bigListed, dest);
        out += QByteArray::number(int(cancelled.outcome)) + ' ' + cancelled.reason.toUtf8() + " [" + entriesOf(dest) +
               "] " + (readBytes(big).size() == 3 << 20 ? "source whole" : "source damaged");
        return out;
    });
    if (!child.ran || child.output == "no mount")
        GTEST_SKIP() << "cannot mount a small volume here";
    EXPECT_EQ(child.output.toStdString(), std::to_string(int(ActOutcome::Done)) + " 1073741824 sparse same\n" +
                                              std::to_string(int(ActOutcome::Refused)) +
                                              " The move was cancelled. [disk.img] source whole");
}

// The home trash is GIO's for the files on the device of the home folder, wherever the data
// folder lies; with the data folder on another volume than the home folder, the answer must
// still be the one the trash then gives. Its own ctest entry sets that world up.
TEST(TrashWithTheDataFolderApart, CanTrashAtSaysWhatTheTrashDoes)
{
    const QByteArray home = envPath("HOME"), data = envPath("XDG_DATA_HOME");
    if (!home.contains("/home-apart"))
        GTEST_SKIP() << "run through ctest (fileops_data_folder_apart)";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(home)));
    if (!QDir().mkpath(QFile::decodeName(data)))
        GTEST_SKIP() << "no second volume for the data folder here";
    const auto cleanUp = qScopeGuard([&] { std::filesystem::remove_all(data.toStdString()); });
    struct stat h, d;
    ASSERT_EQ(::stat(home.constData(), &h), 0);
    if (::stat(data.constData(), &d) != 0 || d.st_dev == h.st_dev)
        GTEST_SKIP() << "no second volume for the data folder here";
    for (const QByteArray& folder : {home + "/files", data + "/files"}) {
        SCOPED_TRACE(folder.constData());
        ::mkdir(folder.constData(), 0755);
        const QByteArray p = folder + "/x.tmp";
        writeFile(p);
        const bool can = fileOps().canTrashAt(folder, nullptr);
        EXPECT_EQ(can, removeListedFile(p, infoOf(p), true).outcome == ActOutcome::Done);
        ::unlink(p.constData());
    }
}

// canTrashAt() must say what the trash then does: a wrong "no" refuses a run that could have
// trashed, a wrong "yes" brings back one failure per file. Each volume here is asked, then a
// file on it is really sent to the trash.
TEST_F(FileOpsTest, CanTrashAtSaysWhatTheTrashDoes)
{
    QString why;
    EXPECT_TRUE(fileOps().canTrashAt(dir, &why)) << why.toStdString(); // the home volume
    EXPECT_FALSE(fileOps().canTrashAt(dir + "/missing", &why));
    EXPECT_FALSE(why.isEmpty());

    test::TreeFixture t{"tmpfs/", "disk/", "blocked/", "images/"};
    const QByteArray disk = t.path("images/disk.img"), blocked = t.path("images/blocked.img");
    const QByteArray mkfs =
        "mkfs.ext2 -q -F -m 0 '" + disk + "' 2M >/dev/null 2>&1 && cp '" + disk + "' '" + blocked + "'";
    if (std::system(mkfs.constData()) != 0)
        GTEST_SKIP() << "no mkfs.ext2 here";
    const test::ChildResult child = test::runInChild({.privateMounts = true}, [&] {
        const auto mountLoop = [](const QByteArray& image, const QByteArray& at) {
            return std::system(("mount -o loop '" + image + "' '" + at + "' >/dev/null 2>&1").constData()) == 0;
        };
        if (::mount("none", t.path("tmpfs").constData(), "tmpfs", 0, nullptr) != 0 ||
            !mountLoop(disk, t.path("disk")) || !mountLoop(blocked, t.path("blocked")))
            return QByteArray("no mounts");
        for (const QByteArray folder : {"disk/pub", "blocked/pub"}) {
            ::mkdir(t.path(folder).constData(), 0777);
            ::chmod(t.path(folder).constData(), 0777);
        }
        for (const QByteArray folder : {"tmpfs", "disk", "blocked", "disk/pub", "blocked/pub"})
            writeFile(t.path(folder + "/x.tmp"));
        writeFile(t.path("blocked/.Trash-" + QByteArray::number(::geteuid())), "a file where the trash folder goes");
        QByteArray out;
        const auto trashed = [](const QByteArray& path) {
            FileInfo now;
            return lstatListed(path, now) == 0 && removeListedFile(path, now, true).outcome == ActOutcome::Done;
        };
        const auto ask = [&](const char* what, const QByteArray& folder) {
            const bool can = fileOps().canTrashAt(t.path(folder), nullptr);
            out += QByteArray(what) + (can ? " yes " : " no ") +
                   (trashed(t.path(folder + "/x.tmp")) ? "trashed\n" : "refused\n");
        };
        ask("tmpfs", "tmpfs");
        ask("volume", "disk");
        ask("volume whose trash folder name is taken", "blocked");
        if (::mount(nullptr, t.path("disk").constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return out + "no remount";
        ask("read-only volume", "disk/pub");
        // A user who may not make a trash folder at the top of the volume (root's disk).
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
            return out + "no user switch";
        ask("another user's volume", "blocked/pub");
        return out;
    });
    if (!child.ran || child.output == "no mounts")
        GTEST_SKIP() << "cannot mount volumes here";
    EXPECT_EQ(child.output.toStdString(), "tmpfs no refused\n"
                                          "volume yes trashed\n"
                                          "volume whose trash folder name is taken no refused\n"
                                          "read-only volume no refused\n"
                                          "another user's volume no refused\n");
}

// Type names and icons come from the name alone: reading the contents would stamp the access
// time and make the file look used to the next "haven't been used" search.
TEST_F(FileOpsTest, FileTypesNeverReadTheFile)
{
    struct Case
    {
        const char* name;
        QByteArray contents;
        const char* type; // "" = any type will do
    };
    const QList<Case> cases = {
        {"notes.txt", QByteArray("\x89PNG\r\n\x1a\n", 8), "text/plain"},
        {"picture.png", "plain words", "image/png"},
        {"no-extension", "%PDF-1.4", ""},
    };
    {
        // GIO loads the shared MIME database on the first guess and keeps it for the life of the
        // process; the leak checker would take that for a leak. Every later guess is checked.
        [[maybe_unused]] LeakCheckOff off;
        (void)fileTypeOf("warm-up.txt");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray p = file(c.name, c.contents);
        // Access before modification: with relatime any read would move it.
        setTimes(p, timespec{1000000000, 0}, timespec{1600000000, 0});
        const FileTypeInfo t = fileTypeOf(p);
        if (*c.type) {
            EXPECT_EQ(t.contentType.toStdString(), c.type);
        }
        EXPECT_FALSE(t.description.isEmpty());
        EXPECT_FALSE(t.iconNames.isEmpty());
        EXPECT_EQ(infoOf(p).atime.tv_sec, 1000000000);
    }
}

} // namespace
