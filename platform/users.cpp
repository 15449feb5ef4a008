// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/users.h"

#include "platform/paths.h"

#include <QtGlobal>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bv {

namespace {

bool isAtOrBelow(const QByteArray& path, const QByteArray& folder)
{
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

} // namespace

CurrentUser currentUser()
{
    CurrentUser user;
    user.uid = ::getuid();
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(user.uid, &entry, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        user.home = resolveFolder(QByteArray(found->pw_dir));
    return user;
}

bool isAcceptableTempFolder(const TempFolderFacts& folder, uid_t uid, const QList<QByteArray>& homes,
                            const QList<QByteArray>& systemTemp)
{
    if (folder.path.isEmpty() || folder.path == "/" || !S_ISDIR(folder.mode))
        return false;
    if (uid == 0)
        return systemTemp.contains(folder.path);
    bool insideHome = false;
    for (const QByteArray& home : homes) {
        if (home.isEmpty())
            continue;
        if (isAtOrBelow(home, folder.path))
            return false; // the home folder itself or a folder holding it
        insideHome = insideHome || isAtOrBelow(folder.path, home);
    }
    const bool shared = (folder.mode & S_ISVTX) && (folder.mode & S_IWOTH);
    return shared || (folder.owner == uid && !insideHome);
}

QByteArray systemTempFolder()
{
    const QByteArray tmp = resolveFolder("/tmp");
    const QByteArray tmpdir = qgetenv("TMPDIR");
    if (!tmpdir.startsWith('/'))
        return tmp;
    TempFolderFacts facts;
    facts.path = resolveFolder(tmpdir);
    struct stat st;
    if (facts.path.isEmpty() || ::lstat(facts.path.constData(), &st) != 0)
        return tmp;
    facts.owner = st.st_uid;
    facts.mode = st.st_mode;
    const CurrentUser user = currentUser();
    const QByteArray envHome = qgetenv("HOME");
    const QList<QByteArray> homes{envHome.startsWith('/') ? resolveFolder(envHome) : QByteArray(), user.home};
    const QList<QByteArray> systemTemp{tmp, resolveFolder("/var/tmp")};
    return isAcceptableTempFolder(facts, user.uid, homes, systemTemp) ? facts.path : tmp;
}

bool canChangeFolder(int folderFd)
{
    // The effective ids decide, as they will for the removal; a read-only volume answers EROFS.
    return ::faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace bv
