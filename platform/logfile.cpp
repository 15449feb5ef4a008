// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/logfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

AppendOnlyFile::~AppendOnlyFile()
{
    close();
}

int AppendOnlyFile::create(const QByteArray& path)
{
    close();
    // Private to the user: the log names every file a search found. A working log left by an
    // older version with a wider mode is narrowed too (only a regular file: tests write to
    // /dev/full, whose mode is nobody's business here).
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return errno;
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
    m_fd = fd;
    return 0;
}

int AppendOnlyFile::append(const QByteArray& bytes)
{
    if (m_fd < 0)
        return EBADF;
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, p, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int err = written < 0 ? errno : 0;
            // A disk that fills in the middle of a record leaves part of it: cut it off, so the
            // file ends with its last whole record (a path cut short could name another file).
            if (left < bytes.size()) {
                const off_t end = ::lseek(m_fd, 0, SEEK_CUR) - off_t(bytes.size() - left);
                if (end >= 0 && ::ftruncate(m_fd, end) == 0)
                    ::lseek(m_fd, end, SEEK_SET);
            }
            return err ? err : kNothingWritten;
        }
        p += written;
        left -= written;
    }
    return 0;
}

int AppendOnlyFile::close()
{
    if (m_fd < 0)
        return 0;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return errno;
    return 0;
}

FileHead readFileHead(const QByteArray& path, qint64 limit)
{
    FileHead out;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        out.openError = errno;
        return out;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        out.notRegular = true;
        ::close(fd);
        return out;
    }
    out.bytes.reserve(qsizetype(qMin<qint64>(qint64(st.st_size), limit)));
    char chunk[64 * 1024];
    while (out.bytes.size() < limit) {
        const ssize_t got = ::read(fd, chunk, size_t(qMin<qint64>(qint64(sizeof chunk), limit - out.bytes.size())));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            out.readError = errno;
            break;
        }
        if (got == 0)
            break;
        out.bytes.append(chunk, got);
    }
    ::close(fd);
    return out;
}

CopyResult copyReplacing(const QByteArray& from, const QByteArray& to)
{
    QFile source(QFile::decodeName(from));
    if (!source.open(QIODevice::ReadOnly))
        return {false, false, source.errorString()};
    const QString targetName = QFile::decodeName(to);
    const bool replacing = QFileInfo::exists(targetName);
    QSaveFile target(targetName);
    // Never written in place, even where the folder only lets the existing file be rewritten: a
    // full disk would leave that file cut short.
    if (!target.open(QIODevice::WriteOnly))
        return {false, target.error() == QFileDevice::OpenError, target.errorString()};
    if (!replacing)
        target.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray chunk;
    while (!source.atEnd()) {
        chunk = source.read(64 * 1024);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            target.cancelWriting();
            return {false, false, source.errorString()};
        }
        if (target.write(chunk) != chunk.size())
            break; // commit() reports it and keeps the old file
    }
    if (!target.commit())
        return {false, false, target.errorString()};
    return {true, false, {}};
}

} // namespace bv
