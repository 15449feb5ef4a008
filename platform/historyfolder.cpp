// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/historyfolder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

int prepareHistoryFolder(const QByteArray& folder)
{
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st
    {
    };
    int rc = 0;
    if (::fstat(fd, &st) != 0)
        rc = errno;
    else if (st.st_uid != ::geteuid())
        rc = EPERM; // someone else's folder would let them read or plant records
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        rc = errno;
    ::close(fd);
    return rc;
}

QList<HistoryFileEntry> listHistoryFolder(const QByteArray& folder, const QByteArray& suffix, int* error)
{
    QList<HistoryFileEntry> entries;
    if (error)
        *error = 0;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        return entries;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        if (error)
            *error = errno;
        ::close(fd);
        return entries;
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (!name.endsWith(suffix) || name.startsWith('.'))
            continue;
        struct stat st
        {
        };
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        entries.append(
            {name, std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000});
    }
    ::closedir(dir);
    return entries;
}

bool historyNameFree(const QByteArray& folder, const QByteArray& name)
{
    struct stat st
    {
    };
    return ::lstat((folder + '/' + name).constData(), &st) != 0 && errno == ENOENT;
}

int removeHistoryFile(const QByteArray& folder, const QByteArray& name)
{
    return ::unlink((folder + '/' + name).constData()) == 0 ? 0 : errno;
}

} // namespace bv
