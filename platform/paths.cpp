// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

bool reordersOrBreaks(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The text with every character `shown` picks out written as "\uXXXX"; the same string when
// there is none, which is nearly always.
template <typename Pred> QString writeOut(const QString& text, Pred shown)
{
    qsizetype i = 0;
    while (i < text.size() && !shown(text[i].unicode()))
        ++i;
    if (i == text.size())
        return text;
    static const char hex[] = "0123456789ABCDEF";
    QString out = text.left(i);
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!shown(c)) {
            out += QChar(c);
            continue;
        }
        out += QLatin1String("\\u");
        for (int shift = 12; shift >= 0; shift -= 4)
            out += QLatin1Char(hex[(c >> shift) & 0xF]);
    }
    return out;
}

} // namespace

QString displayPath(const QByteArray& path)
{
    return writeOut(QString::fromUtf8(path), [](char16_t c) { return isControl(c) || reordersOrBreaks(c); });
}

QString visibleText(const QString& text)
{
    return writeOut(text, reordersOrBreaks);
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
