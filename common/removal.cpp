// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/removal.h"

#include "platform/fileops.h"

#include <cerrno>
#include <cstring>

namespace bv {

namespace {

enum class Check { Same, Changed, Vanished, Unreadable };

Check recheck(const QByteArray& path, const FileInfo& listed, QString* reason)
{
    FileInfo now;
    if (const int err = lstatListed(path, now)) {
        if (err == ENOENT || err == ENOTDIR)
            return Check::Vanished;
        if (err == ELOOP)
            return Check::Changed; // one of its folders is a link now: not where it was listed
        *reason = QString::fromLocal8Bit(std::strerror(err));
        return Check::Unreadable;
    }
    return unchangedSinceListed(now, listed) ? Check::Same : Check::Changed;
}

// Shared start of both actions: empty path, re-check.
bool precheck(const QByteArray& path, const FileInfo& listed, ActResult* out)
{
    if (path.isEmpty()) {
        *out = {ActOutcome::Vanished, QStringLiteral("No file name.")};
        return false;
    }
    QString reason;
    switch (recheck(path, listed, &reason)) {
    case Check::Same:
        return true;
    case Check::Changed:
        *out = {ActOutcome::Changed, {}};
        return false;
    case Check::Vanished:
        *out = {ActOutcome::Vanished, {}};
        return false;
    case Check::Unreadable:
        *out = {ActOutcome::Refused, reason};
        return false;
    }
    return false;
}

} // namespace

ActResult removeListedFile(const QByteArray& path, const FileInfo& listed, bool toTrash)
{
    ActResult out;
    if (!precheck(path, listed, &out))
        return out;
    return toTrash ? fileOps().trash(path, listed) : fileOps().remove(path, listed);
}

ActResult moveListedFile(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    ActResult out;
    if (!precheck(path, listed, &out))
        return out;
    if (destFolder.isEmpty())
        return {ActOutcome::Refused, QStringLiteral("No destination folder.")};
    return fileOps().move(path, listed, destFolder);
}

} // namespace bv
