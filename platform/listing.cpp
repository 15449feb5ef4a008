// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/listing.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace bv {

bool FileInfo::isSymlink() const
{
    return S_ISLNK(mode);
}

bool FileInfo::isReadOnly() const
{
    return (mode & S_IWUSR) == 0;
}

FileInfo FileInfo::fromStat(const struct stat& st)
{
    FileInfo fi;
    fi.dev = st.st_dev;
    fi.ino = st.st_ino;
    fi.mode = st.st_mode;
    fi.size = st.st_size;
    fi.blocks = st.st_blocks;
    fi.nlink = static_cast<std::int64_t>(st.st_nlink);
    fi.atime = st.st_atim;
    fi.mtime = st.st_mtim;
    fi.ctime = st.st_ctim;
    return fi;
}

FileInfo FileInfo::fromStatx(const struct statx& sx)
{
    const auto time = [](const statx_timestamp& t) { return timespec{time_t(t.tv_sec), long(t.tv_nsec)}; };
    FileInfo fi;
    fi.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    fi.ino = sx.stx_ino;
    fi.mode = sx.stx_mode;
    fi.size = std::int64_t(sx.stx_size);
    fi.blocks = std::int64_t(sx.stx_blocks);
    fi.nlink = std::int64_t(sx.stx_nlink);
    fi.atime = time(sx.stx_atime);
    fi.mtime = time(sx.stx_mtime);
    fi.ctime = time(sx.stx_ctime);
    fi.hasMountId = (sx.stx_mask & STATX_MNT_ID) != 0;
    fi.mountId = fi.hasMountId ? sx.stx_mnt_id : 0;
    return fi;
}

int lstatWithMount(int dirFd, const char* name, FileInfo& out, uid_t* owner, gid_t* group)
{
    // One call, as cheap as lstat: the mount comes with the rest.
    struct statx sx;
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_MNT_ID, &sx) == 0) {
        out = FileInfo::fromStatx(sx);
        if (owner)
            *owner = sx.stx_uid;
        if (group)
            *group = sx.stx_gid;
        return 0;
    }
    if (errno != ENOSYS)
        return errno;
    struct stat st; // kernels before 4.11
    if (::fstatat(dirFd, name, &st, flags & ~AT_NO_AUTOMOUNT) != 0)
        return errno;
    out = FileInfo::fromStat(st);
    if (owner)
        *owner = st.st_uid;
    if (group)
        *group = st.st_gid;
    return 0;
}

namespace {

struct EntryStat
{
    mode_t mode = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    std::uint64_t mountId = 0;
    bool hasMountId = false;
};

int statxAt(int dirFd, const char* name, int flags, EntryStat& out)
{
    struct statx sx;
    if (::statx(dirFd, name, flags, STATX_TYPE | STATX_INO | STATX_MNT_ID, &sx) != 0)
        return errno;
    out.mode = sx.stx_mode;
    out.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    out.ino = sx.stx_ino;
    out.hasMountId = (sx.stx_mask & STATX_MNT_ID) != 0;
    out.mountId = out.hasMountId ? sx.stx_mnt_id : 0;
    return 0;
}

// compareNames() for two listed names, with the common case (ASCII that differs early) done
// inline: sorting is the one per-file cost of a listing the kernel does not pay for.
int orderOfNames(const FolderScan::Entry& a, const FolderScan::Entry& b)
{
    const auto* p = reinterpret_cast<const unsigned char*>(a.name);
    const auto* q = reinterpret_cast<const unsigned char*>(b.name);
    const std::uint32_t n = std::min(a.size, b.size);
    for (std::uint32_t i = 0; i < n; ++i) {
        const unsigned char ca = p[i], cb = q[i];
        if (ca == cb)
            continue; // same bytes fold the same, whatever they are
        if ((ca | cb) >= 0x80)
            return compareNames(a.view(), b.view());
        const unsigned char la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const unsigned char lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (a.size != b.size)
        return a.size < b.size ? -1 : 1;
    const int c = std::memcmp(p, q, n); // equal but for letter case: bytes decide
    return (c > 0) - (c < 0);
}

// True when the link `name` leads to a folder. Finding out follows the link, and following a
// link stamps the link's own access time on a relatime mount once that time is a day old: a link
// nobody has used for years would look used from the first search on. Its time is read first and
// put back when following moved it. (Only the link's owner, or root, may set a time back: on
// another user's link the stamp stays.)
bool linkLeadsToFolder(int dirFd, const char* name)
{
    constexpr int own = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
    struct statx before;
    const bool known =
        ::statx(dirFd, name, own, STATX_INO | STATX_ATIME, &before) == 0 && (before.stx_mask & STATX_ATIME) != 0;
    EntryStat target;
    const bool folder = statxAt(dirFd, name, AT_NO_AUTOMOUNT, target) == 0 && S_ISDIR(target.mode);
    struct statx after;
    if (known && ::statx(dirFd, name, own, STATX_INO | STATX_ATIME, &after) == 0 && after.stx_ino == before.stx_ino &&
        (after.stx_atime.tv_sec != before.stx_atime.tv_sec || after.stx_atime.tv_nsec != before.stx_atime.tv_nsec)) {
        const timespec times[2] = {{before.stx_atime.tv_sec, long(before.stx_atime.tv_nsec)}, {0, UTIME_OMIT}};
        ::utimensat(dirFd, name, times, AT_SYMLINK_NOFOLLOW);
    }
    return folder;
}

bool isDotOrDotDot(const char* n)
{
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

} // namespace

int identifyFolder(int fd, FolderId& out)
{
    EntryStat es;
    if (const int err = statxAt(fd, "", AT_EMPTY_PATH, es))
        return err;
    out.dev = es.dev;
    out.ino = es.ino;
    out.mountId = es.mountId;
    out.hasMountId = es.hasMountId;
    return 0;
}

int openSubfolder(int parentFd, const char* name)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

int openFolderPath(const QByteArray& path)
{
    if (path.isEmpty())
        return -ENOENT;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

void closeFolder(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

int lstatAt(int dirFd, const char* name, FileInfo& out)
{
    return lstatWithMount(dirFd, name, out);
}

TrashFolders TrashFolders::forCurrentUser()
{
    TrashFolders t;
    // The XDG rule: a relative XDG_DATA_HOME is invalid and ignored.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/')) {
        t.m_path = dataHome + "/Trash";
    } else {
        const QByteArray home = qgetenv("HOME");
        if (home.startsWith('/'))
            t.m_path = home + "/.local/share/Trash";
    }
    struct stat st;
    if (!t.m_path.isEmpty() && ::stat(t.m_path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        t.m_dev = st.st_dev;
        t.m_ino = st.st_ino;
        t.m_have = true;
    }
    return t;
}

bool TrashFolders::isTrashName(QByteArrayView name)
{
    if (!name.startsWith(".Trash"))
        return false;
    if (name.size() == 6)
        return true;
    if (name.size() < 8 || name[6] != '-')
        return false;
    for (qsizetype i = 7; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    return true;
}

int FolderScan::fill(int dirFd, bool shortReadIsEnd)
{
    constexpr std::size_t chunk = 32 * 1024;
    m_used = 0;
    for (;;) {
        if (m_buf.size() < m_used + chunk)
            m_buf.resize(std::max(m_buf.size() * 2, m_used + chunk));
        const ssize_t n = ::getdents64(dirFd, m_buf.data() + m_used, m_buf.size() - m_used);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        const std::size_t asked = m_buf.size() - m_used;
        m_used += static_cast<std::size_t>(n);
        // Room for any further entry was left: on a file system that fills the buffer, this
        // was the end, and the usual empty read that confirms it can be saved.
        if (shortReadIsEnd && asked - static_cast<std::size_t>(n) >= 1024)
            return 0;
    }
}

bool readsFillTheBuffer(int dirFd)
{
    // File systems whose readdir goes on until the caller's buffer is full or the folder ends
    // (checked in their sources: ext2/3/4 linear and hashed folders, tmpfs, XFS, Btrfs). Network
    // and FUSE file systems answer a page at a time and are not listed.
    constexpr long ext4 = 0xEF53, tmpfs = 0x01021994, xfs = 0x58465342, btrfs = 0x9123683E;
    struct statfs sf;
    if (::fstatfs(dirFd, &sf) != 0)
        return false;
    const long type = static_cast<long>(sf.f_type);
    return type == ext4 || type == tmpfs || type == xfs || type == btrfs;
}

int FolderScan::read(int dirFd, const FolderId& self, const ScanFilter& filter)
{
    m_files.clear();
    m_folders.clear();
    if (const int err = fill(dirFd, filter.shortReadIsEnd)) {
        m_used = 0;
        return err;
    }

    const bool allFiles = filter.files == FileClass::All;
    const bool allDirs = filter.dirs == DirClass::All;
    const bool everyName = !filter.patterns || filter.patterns->matchesEverything();

    for (std::size_t off = 0; off < m_used;) {
        const auto* d = reinterpret_cast<const struct dirent64*>(m_buf.data() + off);
        off += d->d_reclen;
        const char* name = d->d_name;
        if (isDotOrDotDot(name))
            continue;
        const bool hidden = name[0] == '.';
        unsigned char type = d->d_type;

        EntryStat es;
        bool haveStat = false;
        if (type == DT_UNKNOWN) {
            // Some file systems do not report types in the listing.
            if (statxAt(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, es) != 0)
                continue; // gone meanwhile
            haveStat = true;
            type = IFTODT(es.mode);
        }

        if (type == DT_DIR) {
            if (!filter.wantFolders || (hidden && !allDirs))
                continue;
            const auto size = static_cast<std::uint32_t>(std::strlen(name));
            if (TrashFolders::isTrashName({name, size}))
                continue;
            if (!filter.examineFolders) {
                m_folders.push_back({name, size, false, 0, 0});
                continue;
            }
            if (!haveStat && statxAt(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, es) != 0)
                continue;
            if (!S_ISDIR(es.mode) || !self.sameVolume(es.dev, es.hasMountId, es.mountId))
                continue;
            if (filter.trash && filter.trash->isUserTrash(es.dev, es.ino))
                continue;
            m_folders.push_back({name, size, false, es.dev, es.ino});
        } else if (type == DT_REG || type == DT_LNK) {
            if (!filter.wantFiles || (hidden && !allFiles))
                continue;
            const auto size = static_cast<std::uint32_t>(std::strlen(name));
            if (!everyName && !filter.patterns->matches({name, size}))
                continue;
            // A link is listed as itself unless it leads to a folder; a broken link is a file.
            if (type == DT_LNK && linkLeadsToFolder(dirFd, name))
                continue;
            m_files.push_back({name, size, type == DT_LNK, 0, 0});
        }
    }

    const auto byName = [](const Entry& a, const Entry& b) { return orderOfNames(a, b) < 0; };
    std::sort(m_files.begin(), m_files.end(), byName);
    std::sort(m_folders.begin(), m_folders.end(), byName);
    return 0;
}

FolderListing listFolder(int dirFd, const ListOptions& options)
{
    FolderListing out;
    FolderId self;
    if (::lseek(dirFd, 0, SEEK_SET) < 0) {
        out.error = errno;
        return out;
    }
    if (const int err = identifyFolder(dirFd, self)) {
        out.error = err;
        return out;
    }
    const WildcardSet patterns(options.patterns);
    const TrashFolders trash = TrashFolders::forCurrentUser();
    ScanFilter filter;
    filter.files = options.files;
    filter.dirs = options.dirs;
    filter.patterns = &patterns;
    filter.trash = &trash;
    filter.wantFiles = options.wantFiles;
    filter.wantFolders = options.wantFolders;

    FolderScan scan;
    if (const int err = scan.read(dirFd, self, filter)) {
        out.error = err;
        return out;
    }
    out.files.reserve(static_cast<qsizetype>(scan.files().size()));
    for (const FolderScan::Entry& e : scan.files()) {
        ListedFile f;
        if (options.statFiles && lstatAt(dirFd, e.name, f.info) != 0)
            continue;
        if (options.statFiles && !S_ISREG(f.info.mode) && !S_ISLNK(f.info.mode))
            continue; // replaced by something that is not a file since it was listed
        f.name = QByteArray(e.name, static_cast<qsizetype>(e.size));
        out.files.append(std::move(f));
    }
    out.folders.reserve(static_cast<qsizetype>(scan.folders().size()));
    for (const FolderScan::Entry& e : scan.folders())
        out.folders.append({QByteArray(e.name, static_cast<qsizetype>(e.size)), e.dev, e.ino});
    return out;
}

FolderListing listFolder(const QByteArray& path, const ListOptions& options)
{
    const int fd = openFolderPath(path);
    if (fd < 0) {
        FolderListing out;
        out.error = -fd;
        return out;
    }
    FolderListing out = listFolder(fd, options);
    ::close(fd);
    return out;
}

} // namespace bv
