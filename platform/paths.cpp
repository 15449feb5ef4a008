#include "platform/paths.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace bv {

QByteArray joinPath(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    if (endsWithSeparator(folder))
        return folder + name;
    QByteArray out;
    out.reserve(folder.size() + 1 + name.size());
    out.append(folder).append('/').append(name);
    return out;
}

bool endsWithSeparator(const QByteArray& path)
{
    return path.endsWith('/');
}

QString displayPath(const QByteArray& path)
{
    return QString::fromUtf8(path);
}

QByteArray nativePath(const QString& text)
{
    return text.toUtf8();
}

QByteArray longPathName(const QByteArray& path)
{
    if (path.isEmpty())
        return {};
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return {};
    return path;
}

QByteArray resolveFolder(const QByteArray& path)
{
    if (path.isEmpty())
        return {};
    char buf[PATH_MAX];
    if (!::realpath(path.constData(), buf))
        return {};
    struct stat st;
    if (::stat(buf, &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return QByteArray(buf);
}

QByteArray baseName(const QByteArray& path)
{
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf('/');
    return slash < 0 ? p : p.mid(slash + 1);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {};
    if (slash == 0)
        return "/";
    return path.left(slash);
}

} // namespace bv
