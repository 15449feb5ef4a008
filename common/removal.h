// Removing or moving a file a search has listed, and Recycle, the one-file trash every feature
// uses.
//
// A search lists a file, then may wait a long time (a verification window, a busy walk) before
// acting on it. removeListedFile() and moveListedFile() therefore look at the file again right
// before acting (lstat, its folders reached without following a link: same device and inode,
// same size and modification time, still not a folder) and leave a file that changed alone: what the user decided on is
// not what is there now. A delete or move checks once more through the file's folder, right before it acts
// (platform/fileops.h). All file system work goes through fileOps(), so tests can make it fail.
//
// The trash is never replaced by deletion: a volume without a trash gives NotSupported and the
// file stays where it is.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QString>

namespace bv {

// The log's lines for a file that was left alone because it is no longer what was listed.
inline constexpr char kLogSkippedChanged[] = "ACTION: Skipped - File Changed Since It Was Listed";
inline constexpr char kLogSkippedVanished[] = "ACTION: Skipped - File No Longer Exists";

// What the user is told about such a file, wherever it was about to be removed or moved.
inline QString changedSinceListedText(const QString& shownPath)
{
    return shownPath + QStringLiteral(" has changed since it was found. It was left in place.");
}

enum class RemoveOutcome {
    Removed,      // deleted or trashed; for moveListedFile: moved
    Changed,      // the file is not the one that was listed (replaced, grown, ...): not touched
    Vanished,     // the file is gone (or the path is empty): nothing to do
    Denied,       // the system refused (permission, busy, target name taken, ...): see reason
    NotSupported, // the volume has no trash: the file stays
};

struct RemoveResult
{
    RemoveOutcome outcome = RemoveOutcome::Denied;
    QString reason; // the system's explanation, for Denied / NotSupported
};

// True when the file at path still is the one described by listed (what the re-check compares).
// Sets *vanished when it is gone.
bool sameAsListed(const QByteArray& path, const FileInfo& listed, bool* vanished = nullptr);

// Re-checks, then sends the file to the trash (toTrash) or deletes it.
RemoveResult removeListedFile(const QByteArray& path, const FileInfo& listed, bool toTrash);

// Re-checks, then moves the file into destFolder under its own name; an existing file of that
// name is never overwritten (Denied).
RemoveResult moveListedFile(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder);

// Sends one file, as it is now, to the trash without asking. 0 = success; non-zero on any
// failure: RecycleNotSupported, RecycleNotFound or RecycleFailed. Callers that listed the file
// first use removeListedFile().
enum : int { RecycleOk = 0, RecycleFailed = 1, RecycleNotSupported = 2, RecycleNotFound = 3 };
int Recycle(const QByteArray& path);

} // namespace bv
