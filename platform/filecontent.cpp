#include "platform/filecontent.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
    // O_NOATIME is refused (EPERM) when the reader does not own the file.
    if (fd < 0 && (rule == AtimeRule::RestoreOnly || errno == EPERM))
        fd = openNoFollow(atFd, path, false);
    if (fd < 0) {
        m_status = statusOf(errno);
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

} // namespace bv
