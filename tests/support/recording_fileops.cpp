#include "tests/support/recording_fileops.h"

namespace bv {

RecordingFileOps::RecordingFileOps() : m_previous(&fileOps())
{
    setFileOps(this);
}

RecordingFileOps::~RecordingFileOps()
{
    setFileOps(m_previous);
}

OpResult RecordingFileOps::trash(const QByteArray& path, const FileInfo& listed)
{
    calls.append({"trash", path, {}, {}});
    if (failTrash)
        return *failTrash;
    return passThrough ? m_real.trash(path, listed) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::remove(const QByteArray& path, const FileInfo& listed)
{
    calls.append({"remove", path, {}, {}});
    if (failRemove)
        return *failRemove;
    return passThrough ? m_real.remove(path, listed) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    calls.append({"move", path, destFolder, {}});
    if (failMove)
        return *failMove;
    return passThrough ? m_real.move(path, listed, destFolder) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime)
{
    calls.append({"restoreAccessTime", path, {}, atime});
    if (failRestore)
        return *failRestore;
    return passThrough ? m_real.restoreAccessTime(path, listed, atime) : OpResult{OpStatus::Ok, {}};
}

bool RecordingFileOps::canTrashAt(const QByteArray& folder, QString* why)
{
    calls.append({"canTrashAt", folder, {}, {}});
    if (noTrash) {
        if (why)
            *why = *noTrash;
        return false;
    }
    return passThrough ? m_real.canTrashAt(folder, why) : true;
}

QList<QByteArray> RecordingFileOps::ops() const
{
    QList<QByteArray> out;
    for (const Call& c : calls)
        out.append(c.op);
    return out;
}

} // namespace bv
