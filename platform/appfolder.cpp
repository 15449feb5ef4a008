// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/appfolder.h"

#include "platform/paths.h"

#include <QFile>
#include <QLockFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

namespace {

// mkdir -p, each folder it makes private to the user (mode 0700, as the base-directory rules
// ask): the logs name every file a search found. Folders that exist are left as they are.
int makePrivatePath(const QByteArray& path)
{
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        const QByteArray part = path.left(i);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Why nothing can be written in the folder: an errno value, 0 when a file can be made and
// written there after all. The probe is an unnamed file (O_TMPFILE) that vanishes when closed.
int whyNotWritable(const QByteArray& folder)
{
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        // A file system without unnamed files: what the user may do there is all we can ask.
        return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
    }
    const char probe[64] = {};
    const int err = ::write(fd, probe, sizeof probe) == ssize_t(sizeof probe) ? 0 : errno ? errno : ENOSPC;
    ::close(fd);
    return err;
}

} // namespace

QByteArray prepareAppFolder(QString* error)
{
    QByteArray base = qgetenv("XDG_DATA_HOME");
    if (base.isEmpty() || !base.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (home.isEmpty()) {
            if (error)
                *error = QStringLiteral("HOME is not set");
            return {};
        }
        base = joinPath(joinPath(home, ".local"), "share");
    }
    const QByteArray folder = joinPath(base, "Brisvane");
    if (const int err = makePrivatePath(folder)) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(err));
        return {};
    }
    return folder;
}

SingleInstance::SingleInstance(const QByteArray& appFolder)
    : m_lock(std::make_unique<QLockFile>(QFile::decodeName(joinPath(appFolder, "brisvane.lock"))))
{
    // A lock left by a crashed run is taken over (QLockFile checks whether its owner still lives).
    m_lock->setStaleLockTime(0);
    m_acquired = m_lock->tryLock(0);
    if (m_acquired)
        return;
    m_heldByAnother = m_lock->error() == QLockFile::LockFailedError;
    if (m_heldByAnother)
        return;
    const int err = whyNotWritable(appFolder);
    m_failure = err != 0 ? QString::fromLocal8Bit(std::strerror(err))
                         : QStringLiteral("the lock file brisvane.lock there could not be made");
}

SingleInstance::~SingleInstance() = default;

} // namespace bv
