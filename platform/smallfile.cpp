// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/smallfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

SmallFile readSmallFile(const QByteArray& path, std::int64_t limit)
{
    SmallFile out;
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        out.error = path.isEmpty() ? ENOENT : errno;
        out.status = out.error == ENOENT ? SmallFile::Status::Missing : SmallFile::Status::Failed;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.status = SmallFile::Status::NotAFile;
        return out;
    }
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        out.error = errno;
        out.status = out.error == ENOENT ? SmallFile::Status::Missing : SmallFile::Status::Failed;
        return out;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        out.status = SmallFile::Status::NotAFile;
        return out;
    }
    char chunk[16 * 1024];
    while (out.bytes.size() < limit) {
        const auto want = static_cast<size_t>(std::min<std::int64_t>(sizeof chunk, limit - out.bytes.size()));
        const ssize_t got = ::read(fd, chunk, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            out.error = errno;
            ::close(fd);
            out.bytes.clear();
            out.status = SmallFile::Status::Failed;
            return out;
        }
        if (got == 0)
            break;
        out.bytes.append(chunk, got);
    }
    ::close(fd);
    out.status = SmallFile::Status::Read;
    return out;
}

} // namespace bv
