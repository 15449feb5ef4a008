#include "platform/users.h"

#include "platform/paths.h"

#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace bv {

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

bool isDedicatedTempFolder(const QByteArray& folder, const QList<QByteArray>& homes)
{
    if (folder.isEmpty() || folder == "/")
        return false;
    for (const QByteArray& home : homes) {
        if (home.isEmpty())
            continue;
        if (home == folder || home.startsWith(folder + '/'))
            return false;
    }
    return true;
}

QByteArray systemTempFolder()
{
    const QByteArray tmpdir = qgetenv("TMPDIR");
    if (tmpdir.startsWith('/')) {
        const QByteArray folder = resolveFolder(tmpdir);
        const QByteArray envHome = qgetenv("HOME");
        const QList<QByteArray> homes{envHome.startsWith('/') ? resolveFolder(envHome) : QByteArray(),
                                      currentUser().home};
        if (isDedicatedTempFolder(folder, homes))
            return folder;
    }
    return resolveFolder("/tmp");
}

} // namespace bv
