// SPDX-License-Identifier: GPL-3.0-or-later
// GLib before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include "platform/fileops.h"

#include "platform/fd.h"

#include "platform/paths.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <utility>
#include <vector>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace bv {

namespace {

FileOps* g_ops = nullptr;

std::function<void()>& hookBeforeActing()
{
    static std::function<void()> hook;
    return hook;
}

void beforeActing()
{
    if (const auto& hook = hookBeforeActing())
        hook();
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

ActResult fromErrno(int err)
{
    return {err == ENOENT ? ActOutcome::Vanished : ActOutcome::Refused, errnoText(err)};
}

// Takes ownership of the error.
ActResult fromGError(GError* error)
{
    ActResult r;
    r.outcome = ActOutcome::Refused;
    if (!error)
        return r;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_NOT_SUPPORTED:
            r.outcome = ActOutcome::NotSupported;
            break;
        case G_IO_ERROR_NOT_FOUND:
            r.outcome = ActOutcome::Vanished;
            break;
        default:
            break;
        }
    }
    r.reason = QString::fromUtf8(error->message);
    g_error_free(error);
    return r;
}

ActResult noName()
{
    return {ActOutcome::Vanished, QStringLiteral("No file name.")};
}

ActResult changed()
{
    return {ActOutcome::Changed, QStringLiteral("The file has changed since it was listed.")};
}

ActResult done()
{
    return {ActOutcome::Done, {}};
}

// Opens a folder of a listed path without following a link anywhere on the way: a descriptor,
// or -ELOOP when a link stands where a folder was, -ENOTDIR when a file does, or another -errno.
// Listed paths lead through real folders only (the start folder is resolved once, the walk never
// follows a link), so a link on the way means a folder was replaced since the listing: following
// it could reach another name of the very file, outside the search. Folder by folder past
// PATH_MAX, so files deep in a chain can be reached too.
// O_PATH: a folder that only lets names be removed (write and search, no read) still works.
int openFolderWithoutLinks(const QByteArray& folder)
{
    const QByteArray path = folder.isEmpty() ? QByteArray(".") : folder;
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.constData(), &how, sizeof how);
    if (fd >= 0)
        return int(fd);
    if (errno != ENOSYS && errno != ENAMETOOLONG && errno != EINVAL && errno != EPERM)
        return -errno;
    // Kernels before 5.6 (or a path too long for one call): one folder at a time.
    Fd at(::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (at.get() < 0)
        return -errno;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..")
            return -ELOOP; // never part of a listed path
        const int next = ::openat(at.get(), part.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return -errno;
        at.reset(next);
        struct stat st;
        if (::fstat(at.get(), &st) != 0)
            return -errno;
        if (S_ISLNK(st.st_mode))
            return -ELOOP;
        if (!S_ISDIR(st.st_mode))
            return -ENOTDIR;
    }
    const int fd2 = ::dup(at.get());
    return fd2 >= 0 ? fd2 : -errno;
}

// A listed file as its folder's descriptor and its name there. The folder is opened once,
// without following a link on the way to it; every check and act on the file goes through that
// descriptor, so replacing the folder meanwhile cannot send the act elsewhere.
struct Entry
{
    Fd folder;
    QByteArray folderPath;
    QByteArray name;
};

ActResult openEntry(const QByteArray& path, Entry& e)
{
    e.name = baseName(path);
    if (e.name.isEmpty() || e.name == "/" || e.name == "." || e.name == "..")
        return noName();
    e.folderPath = folderOf(path);
    const int fd = openFolderWithoutLinks(e.folderPath);
    if (fd >= 0) {
        e.folder.reset(fd);
        return done();
    }
    // A folder that is a link or a file now was replaced.
    if (fd == -ELOOP || fd == -ENOTDIR)
        return changed();
    return fromErrno(-fd);
}

// A listed file as it is now in its folder: what the check compares, and its owner and group
// (a copy takes them over).
struct Seen
{
    FileInfo info;
    uid_t owner = 0;
    gid_t group = 0;
};

// The file in its folder, checked against what was listed (the mount it is reached through
// included); Ok with *seen filled, or why not.
ActResult checkEntry(const Entry& e, const FileInfo& listed, Seen* seen)
{
    if (const int err = lstatWithMount(e.folder.get(), e.name.constData(), seen->info, &seen->owner, &seen->group))
        return fromErrno(err);
    if (!unchangedSinceListed(seen->info, listed))
        return changed();
    return done();
}

// The one step before every act on a listed file: a name to act on, its folder opened without
// following a link on the way, and the file there checked against what was listed. Done with
// `e` open and *seen filled, or why not.
ActResult prepareToAct(const QByteArray& path, const FileInfo& listed, Entry& e, Seen* seen)
{
    if (path.isEmpty())
        return noName();
    if (ActResult r = openEntry(path, e); !r.done())
        return r;
    return checkEntry(e, listed, seen);
}

// Why the user could not remove a file of this owner from the folder folderFd, before anything
// is copied: 0, or an errno value.
int removalRefused(int folderFd, uid_t owner)
{
    if (::faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return errno;
    struct stat dir;
    if (::fstat(folderFd, &dir) == 0 && (dir.st_mode & S_ISVTX) != 0) {
        // A sticky folder (like /tmp): only the file's or the folder's owner may remove it.
        const uid_t me = ::geteuid();
        if (me != 0 && me != owner && me != dir.st_uid)
            return EPERM;
    }
    return 0;
}

// Removes `name` from the folder if it still is the file `id` describes (the copy a move made).
void removeCopy(int folderFd, const QByteArray& name, const struct stat& id)
{
    struct stat st;
    if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == id.st_dev &&
        st.st_ino == id.st_ino)
        ::unlinkat(folderFd, name.constData(), 0);
}

const auto kMoveFlags = GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS | G_FILE_COPY_ALL_METADATA);

CopyProgress& copyProgress()
{
    static CopyProgress progress;
    return progress;
}

// The copy was given up (Cancel, or the program ends): what it wrote is gone again.
constexpr int kCancelled = ECANCELED;
// The file to copy is no longer the one that was checked.
constexpr int kNotTheChecked = ESTALE;

int writeAll(int fd, const char* data, std::size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= std::size_t(n);
        at += n;
    }
    return 0;
}

// Tells the progress receiver how far a copy is; false when it asks to cancel.
bool reportCopy(off_t done, off_t size)
{
    const CopyProgress& progress = copyProgress();
    return !progress || progress(done, size);
}

// Runs a call that may block for long (flushing a large copy, freeing the blocks of a large file:
// most of a second per GiB on a busy disk) on a helper thread, and meanwhile keeps telling the
// progress receiver that the copy stands at its end, so the window goes on answering. Without a
// receiver it simply runs here. The call's own result (0 or an errno value) comes back.
int whileAnswering(off_t size, const std::function<int()>& call)
{
    if (!copyProgress())
        return call();
    auto result = std::async(std::launch::async, call);
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        reportCopy(size, size); // too late to give up: this is only a turn of the event loop
    return result.get();
}

// The data of `in` into `out`, hole by hole: only the ranges that hold data are read and
// written, so a sparse file (a disk image, a database) takes no more room at its new place
// than at its old one. Reports progress between pieces; a false answer cancels.
int copyData(int in, int out, off_t size)
{
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    std::vector<char> buffer(kPiece);
    const auto report = [size](off_t done) { return reportCopy(done, size); };
    if (!report(0))
        return kCancelled;
    off_t pos = 0, lastPiece = 0, written = 0;
    while (pos < size) {
        off_t data = ::lseek(in, pos, SEEK_DATA);
        off_t hole = size;
        if (data < 0) {
            if (errno == ENXIO)
                break; // nothing but a hole up to the end
            if (errno != EINVAL && errno != EOPNOTSUPP)
                return errno;
            data = pos; // a file system that cannot tell: all of it is data
        } else {
            hole = ::lseek(in, data, SEEK_HOLE);
            if (hole < 0 || hole > size)
                hole = size;
        }
        for (off_t at = data; at < hole;) {
            const ssize_t n = ::pread(in, buffer.data(), std::size_t(std::min<off_t>(off_t(kPiece), hole - at)), at);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                return kNotTheChecked; // it shrank while being copied
            if (const int err = writeAll(out, buffer.data(), std::size_t(n), at))
                return err;
            // This piece goes to the disk now, and the one before is waited for: at most two
            // pieces are ever unwritten, so no wait (here or in the final flush) outlasts one
            // piece's write, and the window stays answering to the end.
            ::sync_file_range(out, at, n, SYNC_FILE_RANGE_WRITE);
            if (written > 0)
                ::sync_file_range(out, lastPiece, written, SYNC_FILE_RANGE_WAIT_BEFORE);
            // The pieces read are dropped from memory as the copy goes: removing the source at
            // the end then has no gigabytes of cache to free at once (a freeze of its own), and
            // a file moved away does not push everything else out of the cache.
            ::posix_fadvise(in, at, n, POSIX_FADV_DONTNEED);
            lastPiece = at;
            written = n;
            at += n;
            if (!report(at))
                return kCancelled;
        }
        pos = hole;
    }
    // The holes at the end, and the size.
    return ::ftruncate(out, size) == 0 ? 0 : errno;
}

// The extended attributes the user may copy (user.*, ACLs); the others are left behind quietly,
// as a copy by any file manager leaves them.
void copyAttributes(int in, int out)
{
    std::vector<char> names(4096);
    ssize_t len;
    while ((len = ::flistxattr(in, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    std::vector<char> value(4096);
    for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names.data() + i)) + 1) {
        const char* attr = names.data() + i;
        ssize_t n;
        while ((n = ::fgetxattr(in, attr, value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (n >= 0)
            ::fsetxattr(out, attr, value.data(), std::size_t(n), 0);
    }
}

// A regular file copied to `part` in destFd, with its times (to the nanosecond: the access time
// is what the next "haven't been used" search looks at), mode, owner where the user may set it,
// and extended attributes; on disk before it counts as copied. 0, or an errno value; a copy cut
// short is removed.
int copyRegularFile(int srcFolder, const QByteArray& name, const Seen& seen, int destFd, const QByteArray& part)
{
    // Read without stamping the access time where the user may ask for that: a move that fails
    // after all leaves the file looking as used as it was.
    int fd = ::openat(srcFolder, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::openat(srcFolder, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const Fd in(fd);
    if (in.get() < 0)
        return errno;
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode) || st.st_dev != seen.info.dev || st.st_ino != seen.info.ino)
        return kNotTheChecked;
    const Fd out(::openat(destFd, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return errno;
    int err = copyData(in.get(), out.get(), st.st_size);
    if (err == 0) {
        // Owner first (a change of owner clears the set-user-ID bit), the mode last but for the
        // times, which every write before them would change.
        if (::fchown(out.get(), ::geteuid() == 0 ? st.st_uid : uid_t(-1), st.st_gid) != 0) {
            // Not the user's to give away, or a group the user is not in: the copy stays theirs.
        }
        copyAttributes(in.get(), out.get());
        const timespec times[2] = {seen.info.atime, seen.info.mtime};
        const int fd = out.get();
        if (::fchmod(fd, st.st_mode & 07777) != 0 || ::futimens(fd, times) != 0)
            err = errno;
        if (err == 0)
            err = whileAnswering(st.st_size, [fd] { return ::fsync(fd) == 0 ? 0 : errno; });
        // Whole and on disk: the last moment to give up.
        if (err == 0 && !reportCopy(st.st_size, st.st_size))
            err = kCancelled;
    }
    if (err != 0)
        ::unlinkat(destFd, part.constData(), 0);
    return err;
}

// A link copied as a link (never what it points to), with its own times.
int copyLink(int srcFolder, const QByteArray& name, const Seen& seen, int destFd, const QByteArray& part)
{
    QByteArray target(qsizetype(seen.info.size) + 1, Qt::Uninitialized);
    const ssize_t n = ::readlinkat(srcFolder, name.constData(), target.data(), std::size_t(target.size()));
    if (n < 0)
        return errno;
    if (n >= target.size())
        return kNotTheChecked; // it changed since it was looked at
    target.truncate(n);
    if (::symlinkat(target.constData(), destFd, part.constData()) != 0)
        return errno;
    if (::geteuid() == 0) {
        // The owner goes with the link where the system allows it; a link that cannot take it
        // keeps the mover's, which gives nobody more rights over what it points to.
        [[maybe_unused]] const int owned =
            ::fchownat(destFd, part.constData(), seen.owner, seen.group, AT_SYMLINK_NOFOLLOW);
    }
    const timespec times[2] = {seen.info.atime, seen.info.mtime};
    ::utimensat(destFd, part.constData(), times, AT_SYMLINK_NOFOLLOW);
    return 0;
}

// Copy, then delete. The copy is written under a private name first and renamed to the file's
// own name once whole and on disk: a copy cut short (a full disk, a Cancel) never sits there
// under the real name, and is known to be this move's own and removed.
ActResult moveAcross(const Entry& src, const Seen& seen, const FileInfo& listed, int destFd)
{
    const QByteArray& name = src.name;
    // A source that cannot be removed would leave a whole copy behind and the original too.
    if (const int err = removalRefused(src.folder.get(), seen.owner))
        return fromErrno(err);
    struct stat taken;
    if (::fstatat(destFd, name.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
        return fromErrno(EEXIST);
    const bool isLink = S_ISLNK(seen.info.mode);
    if (!isLink && !S_ISREG(seen.info.mode))
        return changed(); // listings hold files and links only
    // Room first, for the blocks the file really takes (a sparse file takes few): a copy that
    // cannot fit fails now instead of after writing most of itself.
    struct statvfs room;
    if (!isLink && ::fstatvfs(destFd, &room) == 0) {
        const auto unit = std::int64_t(room.f_frsize ? room.f_frsize : room.f_bsize);
        const std::int64_t needed = seen.info.blocks * 512, available = std::int64_t(room.f_bavail) * unit;
        if (needed > available)
            return {ActOutcome::Refused,
                    QStringLiteral("There is not enough free space there: the file needs %L1 bytes, "
                                   "%L2 bytes are free.")
                        .arg(needed)
                        .arg(available)};
    }

    QByteArray part;
    for (int attempt = 0;; ++attempt) {
        part = ".brisvane-move-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        const int err = isLink ? copyLink(src.folder.get(), name, seen, destFd, part)
                               : copyRegularFile(src.folder.get(), name, seen, destFd, part);
        if (err == 0)
            break;
        if (err == EEXIST && attempt < 8)
            continue; // the private name was taken after all: another one
        if (err == kCancelled)
            return {ActOutcome::Refused, QStringLiteral("The move was cancelled.")};
        if (err == kNotTheChecked)
            return changed();
        return {ActOutcome::Refused, errnoText(err)};
    }
    struct stat copy;
    if (::fstatat(destFd, part.constData(), &copy, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (::renameat2(destFd, part.constData(), destFd, name.constData(), RENAME_NOREPLACE) != 0) {
        int err = errno;
        // A file system that cannot rename without replacing: the name is looked at first.
        if (err == EINVAL || err == ENOSYS) {
            struct stat there;
            err = ::fstatat(destFd, name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 ? EEXIST
                  : ::renameat(destFd, part.constData(), destFd, name.constData()) == 0 ? 0
                                                                                        : errno;
        }
        if (err != 0) {
            removeCopy(destFd, part, copy);
            return fromErrno(err);
        }
    }
    // The source is checked again and removed through its folder. If that cannot be done, the
    // copy goes again: the move did not happen, and a second try must not find the name taken.
    FileInfo now;
    if (const int err = lstatWithMount(src.folder.get(), name.constData(), now)) {
        if (err == ENOENT)
            return done(); // removed by someone else meanwhile: the copy is all there is
        removeCopy(destFd, name, copy);
        return fromErrno(err);
    }
    if (!unchangedSinceListed(now, listed)) {
        removeCopy(destFd, name, copy);
        return changed();
    }
    const int folderFd = src.folder.get();
    if (const int err = whileAnswering(
            copy.st_size, [folderFd, &name] { return ::unlinkat(folderFd, name.constData(), 0) == 0 ? 0 : errno; })) {
        removeCopy(destFd, name, copy);
        return fromErrno(err);
    }
    return done();
}

// The usual trash folders at the top of a volume, as GIO looks for them: the user's folder in a
// shared, sticky ".Trash", else ".Trash-UID", either of which GIO makes when it may.
bool trashFolderUsable(const QByteArray& top)
{
    const uid_t uid = ::geteuid();
    const QByteArray uidText = QByteArray::number(qulonglong(uid));
    const auto isOwnFolder = [uid](const QByteArray& path, bool* exists) {
        struct stat st;
        *exists = ::lstat(path.constData(), &st) == 0;
        return *exists && S_ISDIR(st.st_mode) && st.st_uid == uid;
    };
    const auto mayMakeIn = [](const QByteArray& path) {
        return ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0;
    };
    const QByteArray shared = joinPath(top, ".Trash");
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
        bool exists = false;
        if (isOwnFolder(shared + '/' + uidText, &exists) || (!exists && mayMakeIn(shared)))
            return true;
    }
    bool exists = false;
    if (isOwnFolder(joinPath(top, ".Trash-" + uidText), &exists))
        return true;
    return !exists && mayMakeIn(top);
}

// The device of the home folder: GIO sends every file on that device to the home trash (in
// the data folder, wherever that lies) and every other file to a trash at the top of its own
// volume. The home folder is GIO's own idea of it ($HOME), read once per process as GIO reads it.
bool homeDevice(dev_t* dev)
{
    struct stat st;
    if (::stat(g_get_home_dir(), &st) != 0)
        return false;
    *dev = st.st_dev;
    return true;
}

// The mount a path leads to (a final link followed, as GIO's rename follows it).
bool mountOf(const QByteArray& path, std::uint64_t* id)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.constData(), AT_NO_AUTOMOUNT, STATX_MNT_ID, &sx) != 0 ||
        (sx.stx_mask & STATX_MNT_ID) == 0)
        return false;
    *id = sx.stx_mnt_id;
    return true;
}

// Whether the user's own trash ($XDG_DATA_HOME/Trash) can take the files of `folder`: its files
// and info folders, or the nearest folder above each that exists, must be folders that take new
// entries (GIO makes what is missing), and the files folder must lie on the folder's own mount,
// since GIO renames the file into it. A read-only home, a file where a folder goes or a data
// folder on another volume than the home folder makes every trash fail.
QString homeTrashRefusal(const QByteArray& folder)
{
    const QString unusable = QStringLiteral("Your trash folder cannot be made or written to.");
    const QByteArray trash = QByteArray(g_get_user_data_dir()) + "/Trash";
    QByteArray filesFolder;
    for (QByteArray path : {trash + "/files", trash + "/info"}) {
        struct stat st;
        while (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT || path == "/" || path.isEmpty())
                return unusable;
            path = folderOf(path);
        }
        if (!S_ISDIR(st.st_mode) || ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) != 0)
            return unusable;
        if (filesFolder.isEmpty())
            filesFolder = path;
    }
    struct stat a, b;
    std::uint64_t mountA = 0, mountB = 0;
    const bool apart = ::stat(folder.constData(), &a) != 0 || ::stat(filesFolder.constData(), &b) != 0 ||
                       a.st_dev != b.st_dev ||
                       (mountOf(folder, &mountA) && mountOf(filesFolder, &mountB) && mountA != mountB);
    if (apart)
        return QStringLiteral("Your trash folder is on another volume than your home folder, so files here cannot "
                              "be moved into it.");
    return {};
}

} // namespace

int lstatListed(const QByteArray& path, FileInfo& out)
{
    const QByteArray name = baseName(path);
    if (path.isEmpty() || name.isEmpty() || name == "/" || name == "." || name == "..")
        return ENOENT;
    return FolderOfListed(folderOf(path)).lstat(name, out);
}

FolderOfListed::FolderOfListed(const QByteArray& folder)
{
    const int fd = openFolderWithoutLinks(folder);
    if (fd >= 0)
        m_fd = fd;
    else
        m_error = -fd;
}

FolderOfListed::~FolderOfListed()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FolderOfListed::lstat(const QByteArray& name, FileInfo& out) const
{
    if (m_fd < 0)
        return m_error;
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return ENOENT;
    return lstatWithMount(m_fd, name.constData(), out);
}

bool unchangedSinceListed(const FileInfo& now, const FileInfo& listed)
{
    const bool sameMount = !now.hasMountId || !listed.hasMountId || now.mountId == listed.mountId;
    return !S_ISDIR(now.mode) && now.dev == listed.dev && now.ino == listed.ino && sameMount &&
           now.size == listed.size && now.mtime.tv_sec == listed.mtime.tv_sec &&
           now.mtime.tv_nsec == listed.mtime.tv_nsec;
}

void RealFileOps::setHookBeforeActing(std::function<void()> hook)
{
    hookBeforeActing() = std::move(hook);
}

ActResult RealFileOps::trash(const QByteArray& path, const FileInfo& listed)
{
    Entry e;
    Seen seen;
    if (ActResult r = prepareToAct(path, listed, e, &seen); !r.done())
        return r;
    beforeActing();
    // GIO trashes by path (its trash records the path for a later restore), so the path must
    // still lead, through no link, to the folder that was checked and to the checked file there.
    // What is left is GIO's own moment between its look at the file and its rename.
    Entry now;
    if (ActResult r = openEntry(path, now); !r.done())
        return r;
    struct stat was, is;
    if (::fstat(e.folder.get(), &was) != 0 || ::fstat(now.folder.get(), &is) != 0 || was.st_dev != is.st_dev ||
        was.st_ino != is.st_ino)
        return changed();
    if (ActResult r = checkEntry(now, listed, &seen); !r.done())
        return r;
    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (trashed)
        return done();
    return fromGError(error);
}

ActResult RealFileOps::remove(const QByteArray& path, const FileInfo& listed)
{
    Entry e;
    Seen seen;
    if (ActResult r = prepareToAct(path, listed, e, &seen); !r.done())
        return r;
    beforeActing();
    if (::unlinkat(e.folder.get(), e.name.constData(), 0) == 0)
        return done();
    return fromErrno(errno);
}

ActResult RealFileOps::move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    if (destFolder.isEmpty())
        return noName();
    Entry src;
    Seen seen;
    if (ActResult r = prepareToAct(path, listed, src, &seen); !r.done())
        return r;
    // The destination is a folder the user chose: a link to a folder leads to it.
    const Fd dest(::open(destFolder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dest.get() < 0)
        return fromErrno(errno);
    beforeActing();
    // No replacing: a name taken now, or taken between any check and this call, fails (moving a
    // file onto itself, too).
    const char* name = src.name.constData();
    if (::renameat2(src.folder.get(), name, dest.get(), name, RENAME_NOREPLACE) == 0)
        return done();
    const int err = errno;
    if (err == EXDEV)
        return moveAcross(src, seen, listed, dest.get());
    if (err != EINVAL && err != ENOSYS)
        return fromErrno(err);
    // A file system that cannot rename without replacing (some network and FUSE ones): GIO
    // looks for the name first, then renames.
    GFile* gfrom = g_file_new_for_path(path.constData());
    GFile* gto = g_file_new_for_path(joinPath(destFolder, src.name).constData());
    GError* error = nullptr;
    const bool moved = g_file_move(gfrom, gto, kMoveFlags, nullptr, nullptr, nullptr, &error);
    g_object_unref(gfrom);
    g_object_unref(gto);
    return moved ? done() : fromGError(error);
}

ActResult RealFileOps::restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime)
{
    if (path.isEmpty())
        return noName();
    // The file itself, held while it is checked and set (a link is held as the link).
    const Fd fd(::open(path.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return fromErrno(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fromErrno(errno);
    if (st.st_dev != listed.dev || st.st_ino != listed.ino)
        return changed();
    timespec times[2];
    times[0] = atime;
    times[1].tv_sec = 0;
    times[1].tv_nsec = UTIME_OMIT;
    if (::utimensat(fd.get(), "", times, AT_EMPTY_PATH) == 0)
        return done();
    if (errno != EINVAL)
        return fromErrno(errno);
    // Kernels before 5.8 take no AT_EMPTY_PATH here: the path once more, checked just above.
    if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0)
        return done();
    return fromErrno(errno);
}

bool RealFileOps::canTrashAt(const QByteArray& folder, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (folder.isEmpty())
        return refuse(QStringLiteral("No folder."));
    struct stat st;
    if (::stat(folder.constData(), &st) != 0)
        return refuse(errnoText(errno));
    // Every file on the device of the home folder goes to the home trash.
    dev_t home = 0;
    if (homeDevice(&home) && home == st.st_dev) {
        const QString refusal = homeTrashRefusal(folder);
        return refusal.isEmpty() || refuse(refusal);
    }
    // The top of the volume as GIO finds it: the highest folder above on the same device. A
    // folder reached through a bind mount leads above the mount, as it does for GIO.
    QByteArray top = resolveFolder(folder);
    if (top.isEmpty())
        top = folder;
    while (top != "/") {
        const QByteArray up = folderOf(top);
        struct stat parent;
        if (up.isEmpty() || ::stat(up.constData(), &parent) != 0 || parent.st_dev != st.st_dev)
            break;
        top = up;
    }
    GUnixMountEntry* mount = g_unix_mount_at(top.constData(), nullptr);
    if (!mount)
        return refuse(QStringLiteral("The desktop does not keep a trash on this volume."));
    const char* options = g_unix_mount_get_options(mount);
    // GIO's own rules: no trash on system volumes (tmpfs, /, /tmp, ...) nor where the mount
    // options say so; nothing can be moved on a read-only volume.
    const bool system = g_unix_mount_is_system_internal(mount) || (options && std::strstr(options, "x-gvfs-notrash"));
    const bool readOnly = g_unix_mount_is_readonly(mount);
    g_unix_mount_free(mount);
    if (system)
        return refuse(QStringLiteral("The desktop does not keep a trash on this volume."));
    if (readOnly)
        return refuse(QStringLiteral("The volume is read-only."));
    if (!trashFolderUsable(top))
        return refuse(QStringLiteral("There is no trash folder on this volume, and none can be made."));
    return true;
}

CopyProgressScope::CopyProgressScope(CopyProgress progress)
    : m_previous(std::exchange(copyProgress(), std::move(progress)))
{
}

CopyProgressScope::~CopyProgressScope()
{
    copyProgress() = std::move(m_previous);
}

FileOps& fileOps()
{
    static RealFileOps real;
    return g_ops ? *g_ops : real;
}

void setFileOps(FileOps* ops)
{
    g_ops = ops;
}

} // namespace bv
