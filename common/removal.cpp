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

RemoveResult fromOp(const OpResult& op)
{
    switch (op.status) {
    case OpStatus::Ok:
        return {RemoveOutcome::Removed, {}};
    case OpStatus::NotFound:
        return {RemoveOutcome::Vanished, op.message};
    case OpStatus::NotSupported:
        return {RemoveOutcome::NotSupported, op.message};
    case OpStatus::Changed:
        return {RemoveOutcome::Changed, {}};
    case OpStatus::Exists:
    case OpStatus::Failed:
        break;
    }
    return {RemoveOutcome::Denied, op.message};
}

// Shared start of both actions: empty path, re-check.
bool precheck(const QByteArray& path, const FileInfo& listed, RemoveResult* out)
{
    if (path.isEmpty()) {
        *out = {RemoveOutcome::Vanished, QStringLiteral("No file name.")};
        return false;
    }
    QString reason;
    switch (recheck(path, listed, &reason)) {
    case Check::Same:
        return true;
    case Check::Changed:
        *out = {RemoveOutcome::Changed, {}};
        return false;
    case Check::Vanished:
        *out = {RemoveOutcome::Vanished, {}};
        return false;
    case Check::Unreadable:
        *out = {RemoveOutcome::Denied, reason};
        return false;
    }
    return false;
}

} // namespace

bool sameAsListed(const QByteArray& path, const FileInfo& listed, bool* vanished)
{
    QString reason;
    const Check c = path.isEmpty() ? Check::Vanished : recheck(path, listed, &reason);
    if (vanished)
        *vanished = c == Check::Vanished;
    return c == Check::Same;
}

RemoveResult removeListedFile(const QByteArray& path, const FileInfo& listed, bool toTrash)
{
    RemoveResult out;
    if (!precheck(path, listed, &out))
        return out;
    return fromOp(toTrash ? fileOps().trash(path, listed) : fileOps().remove(path, listed));
}

RemoveResult moveListedFile(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    RemoveResult out;
    if (!precheck(path, listed, &out))
        return out;
    if (destFolder.isEmpty())
        return {RemoveOutcome::Denied, QStringLiteral("No destination folder.")};
    return fromOp(fileOps().move(path, listed, destFolder));
}

int Recycle(const QByteArray& path)
{
    FileInfo now;
    if (path.isEmpty() || lstatListed(path, now) != 0)
        return RecycleNotFound;
    const OpResult r = fileOps().trash(path, now);
    switch (r.status) {
    case OpStatus::Ok:
        return RecycleOk;
    case OpStatus::NotSupported:
        return RecycleNotSupported;
    case OpStatus::NotFound:
        return RecycleNotFound;
    case OpStatus::Exists:
    case OpStatus::Changed:
    case OpStatus::Failed:
        break;
    }
    return RecycleFailed;
}

} // namespace bv
