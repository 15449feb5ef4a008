#include "platform/appfolder.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace bv {

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
    if (!QDir().mkpath(QFile::decodeName(folder))) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
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
}

SingleInstance::~SingleInstance() = default;

} // namespace bv
