// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/inuse.h"

#include "platform/fd.h"

#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace bv {

namespace {

bool isPid(const char* name)
{
    if (!*name)
        return false;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
    }
    return true;
}

// Reads a whole /proc file (their sizes are not known in advance); empty on any failure.
QByteArray readAllAt(int dirFd, const char* name)
{
    const Fd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return {};
    QByteArray out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    return out;
}

// Every entry name of an open folder, with its type.
template <typename Fn> void forEachEntry(int dirFd, Fn fn)
{
    const int dup = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0)
        return;
    DIR* dir = ::fdopendir(dup);
    if (!dir) {
        ::close(dup);
        return;
    }
    while (const dirent* e = ::readdir(dir))
        fn(e->d_name);
    ::closedir(dir);
}

void addOpenFiles(int pidFd, FilesInUse& out)
{
    const Fd fds(::openat(pidFd, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fds.get() < 0)
        return; // another user's process
    forEachEntry(fds.get(), [&](const char* name) {
        if (name[0] == '.')
            return;
        // Following the descriptor's link reaches the open file itself, whatever its path.
        struct stat st;
        if (::fstatat(fds.get(), name, &st, 0) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            out.add(st.st_dev, st.st_ino);
    });
}

} // namespace

QList<MappedFile> parseMaps(QByteArrayView text)
{
    QList<MappedFile> out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(pos, end - pos);
        pos = end + 1;

        // address perms offset dev inode [path]
        qsizetype at = 0;
        QByteArrayView fields[5];
        bool complete = true;
        for (QByteArrayView& field : fields) {
            while (at < line.size() && line[at] == ' ')
                ++at;
            const qsizetype start = at;
            while (at < line.size() && line[at] != ' ')
                ++at;
            field = line.sliced(start, at - start);
            if (field.isEmpty())
                complete = false;
        }
        if (!complete)
            continue;
        const qsizetype colon = fields[3].indexOf(':');
        if (colon < 0)
            continue;
        bool okMajor = false, okMinor = false, okInode = false;
        const unsigned major = fields[3].first(colon).toUInt(&okMajor, 16);
        const unsigned minor = fields[3].sliced(colon + 1).toUInt(&okMinor, 16);
        const qulonglong inode = fields[4].toULongLong(&okInode, 10);
        if (!okMajor || !okMinor || !okInode || inode == 0)
            continue; // anonymous memory, the heap, the stack

        MappedFile f;
        f.dev = makedev(major, minor);
        f.ino = static_cast<ino_t>(inode);
        while (at < line.size() && line[at] == ' ')
            ++at;
        QByteArrayView path = line.sliced(at);
        if (path.startsWith('/')) {
            f.paths.append(path.toByteArray());
            if (path.contains("\\012"))
                f.paths.append(path.toByteArray().replace("\\012", "\n"));
        }
        out.append(f);
    }
    return out;
}

FilesInUse FilesInUse::ofRunningProcesses()
{
    FilesInUse out;
    const Fd proc(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (proc.get() < 0)
        return out;
    QSet<QByteArray> mappedPaths;
    bool sawProcess = false;
    forEachEntry(proc.get(), [&](const char* name) {
        if (!isPid(name))
            return;
        const Fd pid(::openat(proc.get(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (pid.get() < 0)
            return; // ended meanwhile
        sawProcess = true;
        addOpenFiles(pid.get(), out);
        for (const MappedFile& m : parseMaps(readAllAt(pid.get(), "maps"))) {
            out.add(m.dev, m.ino);
            for (const QByteArray& path : m.paths)
                mappedPaths.insert(path);
        }
    });
    // Libraries are mapped by nearly every process: each path is looked up once.
    for (const QByteArray& path : mappedPaths) {
        struct stat st;
        if (::stat(path.constData(), &st) == 0)
            out.add(st.st_dev, st.st_ino);
    }
    // Our own process is always there: a table without it was not read.
    out.m_readable = sawProcess;
    return out;
}

UseProbe probeInUse(int folderFd, const char* name, const FileInfo& listed)
{
    if (!S_ISREG(listed.mode))
        return UseProbe::Unknown;
    // O_NONBLOCK: a file swapped for a FIFO since the listing must not hang the run.
    const Fd fd(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return UseProbe::Unknown;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != listed.dev || st.st_ino != listed.ino)
        return UseProbe::Unknown;
    // A program that opens the file while the lease is held makes the kernel signal the lease
    // holder, with SIGIO unless told otherwise, and SIGIO ends a process. SIGURG is ignored
    // unless handled, and nothing here handles it.
    if (::fcntl(fd.get(), F_SETSIG, SIGURG) != 0)
        return UseProbe::Unknown;
    if (::fcntl(fd.get(), F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd.get(), F_SETLEASE, F_UNLCK);
        return UseProbe::Free;
    }
    return errno == EAGAIN ? UseProbe::InUse : UseProbe::Unknown;
}

} // namespace bv
