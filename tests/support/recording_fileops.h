// SPDX-License-Identifier: GPL-3.0-or-later
// A fake of the file operations (platform/fileops.h) for tests: it installs itself for its
// lifetime, records every call and, unless told to fail that operation, passes it on to the real
// implementation (so files really go), or succeeds without acting when passThrough is false.
#pragma once

#include "platform/fileops.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <time.h>

namespace bv {

class RecordingFileOps : public FileOps
{
public:
    struct Call
    {
        QByteArray op; // "trash", "remove", "move", "restoreAccessTime", "canTrashAt"
        QByteArray path;
        QByteArray dest;  // move only
        timespec atime{}; // restoreAccessTime only
    };

    RecordingFileOps();
    ~RecordingFileOps() override;
    RecordingFileOps(const RecordingFileOps&) = delete;
    RecordingFileOps& operator=(const RecordingFileOps&) = delete;

    ActResult trash(const QByteArray& path, const FileInfo& listed) override;
    ActResult remove(const QByteArray& path, const FileInfo& listed) override;
    ActResult move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder) override;
    ActResult restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime) override;
    bool canTrashAt(const QByteArray& folder, QString* why) override;

    // Set one of these to make that operation fail with the given result (nothing is done).
    std::optional<ActResult> failTrash;
    std::optional<ActResult> failRemove;
    std::optional<ActResult> failMove;
    std::optional<ActResult> failRestore;
    // Set to make canTrashAt() answer false with this reason.
    std::optional<QString> noTrash;
    bool passThrough = true;

    QList<Call> calls;
    QList<QByteArray> ops() const; // just the operation names, in order

private:
    FileOps* m_previous = nullptr;
    RealFileOps m_real;
};

} // namespace bv
