// SPDX-License-Identifier: GPL-3.0-or-later
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

ActResult RecordingFileOps::trash(const QByteArray& path, const FileInfo& listed)
{
    calls.append({"trash", path, {}, {}});
    if (failTrash)
        return *failTrash;
    return passThrough ? m_real.trash(path, listed) : ActResult{ActOutcome::Done, {}};
}

ActResult RecordingFileOps::remove(const QByteArray& path, const FileInfo& listed)
{
    calls.append({"remove", path, {}, {}});
    if (failRemove)
        return *failRemove;
    return passThrough ? m_real.remove(path, listed) : ActResult{ActOutcome::Done, {}};
}

ActResult RecordingFileOps::move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    calls.append({"move", path, destFolder, {}});
    if (failMove)
        return *failMove;
    return passThrough ? m_real.move(path, listed, destFolder) : ActResult{ActOutcome::Done, {}};
}

ActResult RecordingFileOps::restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime)
{
    calls.append({"restoreAccessTime", path, {}, atime});
    if (failRestore)
        return *failRestore;
    return passThrough ? m_real.restoreAccessTime(path, listed, atime) : ActResult{ActOutcome::Done, {}};
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
