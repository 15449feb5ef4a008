// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/filecontent.h"

#include "platform/fileops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace bv {

namespace {

ContentOpen statusOf(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return ContentOpen::Missing;
    case ELOOP:
        return ContentOpen::Link;
    case EACCES:
    case EPERM:
        return ContentOpen::Denied;
    case ENXIO:  // a socket, or a FIFO's other end
    case ENODEV: // a device without a driver
        return ContentOpen::NotAFile;
    default:
        return ContentOpen::Failed;
    }
}

int openNoFollow(int atFd, const QByteArray& path, bool noAtime)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (noAtime ? O_NOATIME : 0);
    for (;;) {
        const int fd = ::openat(atFd, path.constData(), flags);
        if (fd >= 0 || errno != EINTR)
            return fd;
    }
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// True when the volume of the open file records no access times at all.
bool readsLeaveNoTrace(int fd)
{
    struct statvfs vfs;
    return ::fstatvfs(fd, &vfs) == 0 && (vfs.f_flag & (ST_NOATIME | ST_RDONLY)) != 0;
}

bool sameFile(const struct stat& a, const FileInfo& b)
{
    return a.st_dev == b.dev && a.st_ino == b.ino;
}

// Runs `look` on the link `name` in folderFd and puts the link's own access time back if the
// look moved it (only the link's owner, or root, may; on another user's link the stamp stays).
template <typename Look> auto lookAtLink(int folderFd, const char* name, Look look)
{
    struct stat before;
    const bool known = ::fstatat(folderFd, name, &before, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(before.st_mode);
    auto result = look();
    struct stat after;
    if (known && ::fstatat(folderFd, name, &after, AT_SYMLINK_NOFOLLOW) == 0 && after.st_ino == before.st_ino &&
        !sameTime(after.st_atim, before.st_atim)) {
        const timespec times[2] = {before.st_atim, {0, UTIME_OMIT}};
        ::utimensat(folderFd, name, times, AT_SYMLINK_NOFOLLOW);
    }
    return result;
}

} // namespace

int lstatPath(const QByteArray& path, FileInfo& out)
{
    if (path.isEmpty())
        return ENOENT;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno;
    out = FileInfo::fromStat(st);
    return 0;
}

ContentFile::ContentFile(const QByteArray& path, std::int64_t readLimit, AtimeRule rule)
    : m_limit(readLimit < 0 ? 0 : readLimit)
{
    if (path.isEmpty()) {
        m_status = ContentOpen::Missing;
        return;
    }
    // Opening a device can act on it (a tape rewinds): look before opening, and check the open
    // file again below in case something else was put there in between.
    struct stat before;
    if (::lstat(path.constData(), &before) != 0) {
        m_status = statusOf(errno);
        return;
    }
    open(AT_FDCWD, path, FileInfo::fromStat(before), rule);
}

ContentFile::ContentFile(int folderFd, const QByteArray& name, const FileInfo& seen, std::int64_t readLimit,
                         AtimeRule rule)
    : m_limit(readLimit < 0 ? 0 : readLimit)
{
    if (folderFd < 0 || name.isEmpty() || name.contains('/')) {
        m_status = ContentOpen::Missing;
        return;
    }
    open(folderFd, name, seen, rule);
}

void ContentFile::open(int atFd, const QByteArray& path, const FileInfo& seen, AtimeRule rule)
{
    if (S_ISLNK(seen.mode) || !S_ISREG(seen.mode)) {
        m_status = S_ISLNK(seen.mode) ? ContentOpen::Link : ContentOpen::NotAFile;
        return;
    }
    int fd = -1;
    if (rule == AtimeRule::NoAtimeWhereAllowed) {
        fd = openNoFollow(atFd, path, true);
        m_noAtime = fd >= 0;
    }
    // O_NOATIME is refused (EPERM) when the reader does not own the file; then the time could
    // not be put back either, and the file is read only where reads leave no trace.
    const bool refused = fd < 0 && rule == AtimeRule::NoAtimeWhereAllowed && errno == EPERM;
    if (fd < 0 && (rule == AtimeRule::RestoreOnly || refused))
        fd = openNoFollow(atFd, path, false);
    if (fd < 0) {
        m_status = statusOf(errno);
        return;
    }
    if (refused && !readsLeaveNoTrace(fd)) {
        m_status = ContentOpen::AtimeNotKept;
        ::close(fd);
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        m_status = statusOf(errno);
        ::close(fd);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        m_status = ContentOpen::NotAFile;
        ::close(fd);
        return;
    }
    // Something else put at the name since the look is not the file that was looked at.
    if (st.st_dev != seen.dev || st.st_ino != seen.ino) {
        m_status = ContentOpen::Missing;
        ::close(fd);
        return;
    }
    m_info = FileInfo::fromStat(st);
    m_fd = fd;
    m_status = ContentOpen::Ok;
}

ContentFile::~ContentFile()
{
    close();
}

std::int64_t ContentFile::readAt(std::int64_t offset, void* out, std::size_t n)
{
    if (m_fd < 0 || offset < 0)
        return -1;
    const std::int64_t left = m_limit - m_bytesRead;
    if (left <= 0)
        return n == 0 ? 0 : -1;
    if (static_cast<std::uint64_t>(n) > static_cast<std::uint64_t>(left))
        n = static_cast<std::size_t>(left);
    m_readTried = true; // even a read at the end may touch the access time
    auto* p = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(m_fd, p + done, n - done, static_cast<off_t>(offset + std::int64_t(done)));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += static_cast<std::size_t>(r);
    }
    m_bytesRead += static_cast<std::int64_t>(done);
    return static_cast<std::int64_t>(done);
}

bool ContentFile::readExactly(std::int64_t offset, void* out, std::size_t n)
{
    return readAt(offset, out, n) == static_cast<std::int64_t>(n);
}

bool ContentFile::close()
{
    if (m_fd < 0)
        return m_atimeKept;
    if (!m_noAtime && m_readTried) {
        struct stat st;
        if (::fstat(m_fd, &st) == 0 && !sameTime(st.st_atim, m_info.atime)) {
            const timespec times[2] = {m_info.atime, {0, UTIME_OMIT}};
            m_atimeKept = ::futimens(m_fd, times) == 0;
        }
    }
    ::close(m_fd);
    m_fd = -1;
    return m_atimeKept;
}

QByteArray readLinkText(int folderFd, const QByteArray& name)
{
    if (folderFd < 0 || name.isEmpty() || name.contains('/'))
        return {};
    return lookAtLink(folderFd, name.constData(), [&] {
        QByteArray text(4096, Qt::Uninitialized);
        const ssize_t n = ::readlinkat(folderFd, name.constData(), text.data(), size_t(text.size()));
        text.resize(n > 0 && n < text.size() ? n : 0);
        return text;
    });
}

bool linkLeadsToFile(const QByteArray& linkFolder, const QByteArray& linkName, const QByteArray& fileFolder,
                     const QByteArray& fileName, const FileInfo& file)
{
    const FolderOfListed links(linkFolder);
    const FolderOfListed files(fileFolder);
    struct stat folder;
    if (links.fd() < 0 || files.fd() < 0 || linkName.contains('/') || ::fstat(files.fd(), &folder) != 0)
        return false;
    return lookAtLink(links.fd(), linkName.constData(), [&] {
        // The name the link's target gives: its folder (relative targets start at the link's own
        // folder) and its last part must be the file's.
        QByteArray text(4096, Qt::Uninitialized);
        const ssize_t n = ::readlinkat(links.fd(), linkName.constData(), text.data(), size_t(text.size()));
        if (n <= 0 || n >= text.size())
            return false;
        text.resize(n);
        const qsizetype slash = text.lastIndexOf('/');
        const QByteArray last = text.mid(slash + 1);
        const QByteArray parent = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : text.left(slash);
        struct stat st;
        if (last == fileName && ::fstatat(links.fd(), parent.constData(), &st, AT_NO_AUTOMOUNT) == 0 &&
            st.st_dev == folder.st_dev && st.st_ino == folder.st_ino)
            return true;
        // Through more links: where the chain ends is the file, and no other name could be the
        // one it went through.
        return ::fstatat(links.fd(), linkName.constData(), &st, AT_NO_AUTOMOUNT) == 0 && sameFile(st, file) &&
               S_ISREG(st.st_mode) && st.st_nlink == 1;
    });
}

} // namespace bv
