// GLib before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include "platform/fileops.h"

#include "platform/paths.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
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

// Takes ownership of the error. *exists (optional): the error was GIO's "a file of that name
// exists".
ActResult fromGError(GError* error, bool* exists = nullptr)
{
    ActResult r;
    r.outcome = ActOutcome::Refused;
    if (exists)
        *exists = false;
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
        case G_IO_ERROR_EXISTS:
            if (exists)
                *exists = true;
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

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

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

// The file in its folder, checked against what was listed; Ok with *st filled, or why not.
ActResult checkEntry(const Entry& e, const FileInfo& listed, struct stat* st)
{
    if (::fstatat(e.folder.get(), e.name.constData(), st, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (!unchangedSinceListed(FileInfo::fromStat(*st), listed))
        return changed();
    return done();
}

// The one step before every act on a listed file: a name to act on, its folder opened without
// following a link on the way, and the file there checked against what was listed. Done with
// `e` open and *st the file's lstat, or why not.
ActResult prepareToAct(const QByteArray& path, const FileInfo& listed, Entry& e, struct stat* st)
{
    if (path.isEmpty())
        return noName();
    if (ActResult r = openEntry(path, e); !r.done())
        return r;
    return checkEntry(e, listed, st);
}

// A path that reaches `name` through an open folder (for GIO, which takes paths): whatever is
// done to the folder's path meanwhile, it names the entry in that very folder.
QByteArray viaDescriptor(int folderFd, const QByteArray& folderPath, const QByteArray& name)
{
    static const bool haveProc = ::access("/proc/self/fd", X_OK) == 0;
    if (!haveProc)
        return joinPath(folderPath, name);
    return "/proc/self/fd/" + QByteArray::number(folderFd) + '/' + name;
}

// Why the user could not remove the file st from the folder folderFd, before anything is
// copied: 0, or an errno value.
int removalRefused(int folderFd, const struct stat& st)
{
    if (::faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return errno;
    struct stat dir;
    if (::fstat(folderFd, &dir) == 0 && (dir.st_mode & S_ISVTX) != 0) {
        // A sticky folder (like /tmp): only the file's or the folder's owner may remove it.
        const uid_t me = ::geteuid();
        if (me != 0 && me != st.st_uid && me != dir.st_uid)
            return EPERM;
    }
    return 0;
}

const auto kMoveFlags = GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS | G_FILE_COPY_ALL_METADATA);

// Removes `name` from the folder if it still is the file `id` describes (the copy a move made).
void removeCopy(int folderFd, const QByteArray& name, const struct stat& id)
{
    struct stat st;
    if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == id.st_dev &&
        st.st_ino == id.st_ino)
        ::unlinkat(folderFd, name.constData(), 0);
}

// Copy, then delete. GIO's copy keeps the times (ALL_METADATA: the access time too, which the
// next "haven't been used" search looks at) and copies a link as a link. It writes under a
// private name first, renamed to the file's own name once whole: a copy cut short (a full disk)
// never sits there under the real name, and is known to be this move's own and removed.
ActResult moveAcross(const Entry& src, const struct stat& st, const FileInfo& listed, int destFd,
                     const QByteArray& destFolder)
{
    const QByteArray& name = src.name;
    // A source that cannot be removed would leave a whole copy behind and the original too.
    if (const int err = removalRefused(src.folder.get(), st))
        return fromErrno(err);
    struct stat taken;
    if (::fstatat(destFd, name.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
        return fromErrno(EEXIST);

    const QByteArray from = viaDescriptor(src.folder.get(), src.folderPath, name);
    QByteArray part;
    for (int attempt = 0;; ++attempt) {
        part = ".brisvane-move-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        const QByteArray to = viaDescriptor(destFd, destFolder, part);
        GFile* gfrom = g_file_new_for_path(from.constData());
        GFile* gto = g_file_new_for_path(to.constData());
        GError* error = nullptr;
        const bool copied = g_file_copy(gfrom, gto, kMoveFlags, nullptr, nullptr, nullptr, &error);
        g_object_unref(gfrom);
        g_object_unref(gto);
        if (copied)
            break;
        bool exists = false;
        ActResult r = fromGError(error, &exists);
        if (exists && attempt < 8)
            continue; // the private name was taken after all: another one
        if (!exists)
            ::unlinkat(destFd, part.constData(), 0); // what was written before the failure
        r.reason.replace(QString::fromUtf8(from), displayPath(joinPath(src.folderPath, name)));
        r.reason.replace(QString::fromUtf8(to), displayPath(joinPath(destFolder, name)));
        return r;
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
    struct stat now;
    if (::fstatat(src.folder.get(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        const int err = errno;
        if (err == ENOENT)
            return done(); // removed by someone else meanwhile: the copy is all there is
        removeCopy(destFd, name, copy);
        return fromErrno(err);
    }
    if (!unchangedSinceListed(FileInfo::fromStat(now), listed)) {
        removeCopy(destFd, name, copy);
        return changed();
    }
    if (::unlinkat(src.folder.get(), name.constData(), 0) != 0) {
        const int err = errno;
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

// The device of the user's data folder (where GIO keeps the home trash), or of the nearest folder
// above it that exists: GIO makes the folder when it first trashes.
bool homeTrashDevice(dev_t* dev)
{
    QByteArray path = QByteArray(g_get_user_data_dir());
    struct stat st;
    while (!path.isEmpty()) {
        if (::stat(path.constData(), &st) == 0) {
            *dev = st.st_dev;
            return true;
        }
        if (path == "/")
            break;
        path = folderOf(path);
    }
    return false;
}

// Whether the user's own trash ($XDG_DATA_HOME/Trash) can take files: its files and info
// folders, or the nearest folder above each that exists, must be folders that take new entries
// (GIO makes what is missing). A read-only home or a file where a folder goes makes every trash
// fail.
bool homeTrashUsable()
{
    const QByteArray trash = QByteArray(g_get_user_data_dir()) + "/Trash";
    for (QByteArray path : {trash + "/files", trash + "/info"}) {
        struct stat st;
        while (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT || path == "/" || path.isEmpty())
                return false;
            path = folderOf(path);
        }
        if (!S_ISDIR(st.st_mode) || ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) != 0)
            return false;
    }
    return true;
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
    struct stat st;
    if (::fstatat(m_fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    out = FileInfo::fromStat(st);
    return 0;
}

bool unchangedSinceListed(const FileInfo& now, const FileInfo& listed)
{
    return !S_ISDIR(now.mode) && now.dev == listed.dev && now.ino == listed.ino && now.size == listed.size &&
           now.mtime.tv_sec == listed.mtime.tv_sec && now.mtime.tv_nsec == listed.mtime.tv_nsec;
}

void RealFileOps::setHookBeforeActing(std::function<void()> hook)
{
    hookBeforeActing() = std::move(hook);
}

ActResult RealFileOps::trash(const QByteArray& path, const FileInfo& listed)
{
    Entry e;
    struct stat st;
    if (ActResult r = prepareToAct(path, listed, e, &st); !r.done())
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
    if (ActResult r = checkEntry(now, listed, &st); !r.done())
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
    struct stat st;
    if (ActResult r = prepareToAct(path, listed, e, &st); !r.done())
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
    struct stat st;
    if (ActResult r = prepareToAct(path, listed, src, &st); !r.done())
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
        return moveAcross(src, st, listed, dest.get(), destFolder);
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
    // Every file on the volume of the user's data folder goes to the home trash.
    dev_t home = 0;
    if (homeTrashDevice(&home) && home == st.st_dev)
        return homeTrashUsable() || refuse(QStringLiteral("Your trash folder cannot be made or written to."));
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
