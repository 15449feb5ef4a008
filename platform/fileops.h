// The only place that trashes, deletes or moves a file, or writes its access time back.
//
// Every feature that removes files goes through fileOps(), so tests can install a recording
// fake (RecordingFileOps) that sees each call and can be told to fail: as root in CI, a
// permission failure cannot be made for real.
//
// What the real implementation guarantees:
// - trash() uses the desktop trash (GIO's g_file_trash). When the volume has no trash (tmpfs,
//   some network mounts) it reports NotSupported and leaves the file alone: it never deletes
//   instead.
// - move() renames, or copies and deletes across file systems (g_file_move), keeping the times;
//   a symbolic link moves as a link; an existing file of the same name in the destination is
//   never overwritten (the move fails with Exists).
// - restoreAccessTime() sets the access time to the nanosecond and leaves the modification
//   time alone; on a symbolic link it touches the link, not its target.
// - No operation acts on "": GIO would take it for the current folder.
//
// Failures are values; nothing here shows a message.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <time.h>

namespace bv {

enum class OpStatus {
    Ok,
    NotSupported, // the volume cannot do it (no trash on tmpfs)
    NotFound,     // the file is not there (any more)
    Exists,       // a move's target name is taken
    Failed,       // anything else (permission, I/O, ...): see message
};

struct OpResult
{
    OpStatus status = OpStatus::Failed;
    QString message; // the system's explanation, for a failure

    bool ok() const { return status == OpStatus::Ok; }
};

class FileOps
{
public:
    virtual ~FileOps() = default;

    virtual OpResult trash(const QByteArray& path) = 0;
    virtual OpResult remove(const QByteArray& path) = 0;
    // Moves the file into destFolder under its own name.
    virtual OpResult move(const QByteArray& path, const QByteArray& destFolder) = 0;
    virtual OpResult restoreAccessTime(const QByteArray& path, const timespec& atime) = 0;
};

// The real implementation (stateless; one shared instance).
class RealFileOps : public FileOps
{
public:
    OpResult trash(const QByteArray& path) override;
    OpResult remove(const QByteArray& path) override;
    OpResult move(const QByteArray& path, const QByteArray& destFolder) override;
    OpResult restoreAccessTime(const QByteArray& path, const timespec& atime) override;
};

// The installed implementation; the real one unless a test installed another.
FileOps& fileOps();
// nullptr puts the real implementation back.
void setFileOps(FileOps* ops);

// A fake for tests: installs itself for its lifetime, records every call and, unless told to
// fail that operation, passes it on to the real implementation (so files really go), or
// succeeds without acting when passThrough is false.
class RecordingFileOps : public FileOps
{
public:
    struct Call
    {
        QByteArray op; // "trash", "remove", "move", "restoreAccessTime"
        QByteArray path;
        QByteArray dest;  // move only
        timespec atime{}; // restoreAccessTime only
    };

    RecordingFileOps();
    ~RecordingFileOps() override;
    RecordingFileOps(const RecordingFileOps&) = delete;
    RecordingFileOps& operator=(const RecordingFileOps&) = delete;

    OpResult trash(const QByteArray& path) override;
    OpResult remove(const QByteArray& path) override;
    OpResult move(const QByteArray& path, const QByteArray& destFolder) override;
    OpResult restoreAccessTime(const QByteArray& path, const timespec& atime) override;

    // Set one of these to make that operation fail with the given result (nothing is done).
    std::optional<OpResult> failTrash;
    std::optional<OpResult> failRemove;
    std::optional<OpResult> failMove;
    std::optional<OpResult> failRestore;
    bool passThrough = true;

    QList<Call> calls;
    QList<QByteArray> ops() const; // just the operation names, in order

private:
    FileOps* m_previous = nullptr;
    RealFileOps m_real;
};

} // namespace bv
