// SPDX-License-Identifier: GPL-3.0-or-later
// The only place that trashes, deletes or moves a file, or writes its access time back.
//
// Every feature that removes files goes through fileOps(), so tests can install a fake of their
// own (setFileOps(); tests/support/recording_fileops.h) that sees each call and can be told to
// fail: as root in CI, a permission failure cannot be made for real.
//
// A file is acted on only while it still is the one a listing described (`listed`, its lstat()
// then), and the check and the act go through one descriptor of the file's folder, opened once
// without following a link at its end: a folder swapped for a link, or another folder put in its
// place, between the check and the act cannot redirect the act.
//
// What the real implementation guarantees:
// - A listed path is followed through real folders only: a folder on the way that is a link now
//   was replaced since the listing, and the file is Changed (a link there could lead to another
//   name of the very file, outside the search). So is a file reached through another mount than
//   the one it was listed on (FileInfo::mountId): a bind mount put over a listed folder leads
//   outside the search just as a link would, and a hard link there has the same device and
//   inode. Paths longer than PATH_MAX work.
// - trash() uses the desktop trash (GIO's g_file_trash). When the volume has no trash (tmpfs,
//   some network mounts) it reports NotSupported and leaves the file alone: it never deletes
//   instead. canTrashAt() tells beforehand whether a folder's volume has a usable trash. GIO
//   takes a path, so right before it the path is checked again to lead to the folder and the
//   file that were checked; only GIO's own moment between its look and its rename is left.
// - remove() unlinks the name in the folder it checked.
// - move() renames within a file system (renameat2 with RENAME_NOREPLACE: a file that appears
//   at the target meanwhile is never overwritten), or copies and deletes across file systems:
//   the copy keeps the file's holes (only the ranges that hold data are written), its times to
//   the nanosecond, mode, owner where allowed and extended attributes, and is on disk before the
//   source goes; a symbolic link moves as a link. The destination's free space is checked first
//   against the blocks the file really uses. A long copy reports its progress to the
//   CopyProgressScope in force, which may cancel it. An existing file of the same name in the
//   destination is never overwritten (the move is Refused). A move that cannot complete
//   (or is cancelled) leaves nothing behind in the destination: a source whose folder does not
//   let it be removed is not copied; the copy is written under a private name and takes the
//   file's name only once whole; and a copy this move made (known by device and inode) is
//   removed again when the source cannot be removed after all.
// - restoreAccessTime() sets the access time to the nanosecond on the file itself, only while
//   the path still names the listed file (device and inode); modification time untouched; on a
//   symbolic link it touches the link, not its target.
// - A file that is no longer the listed one gives Changed and is not touched.
// - No operation acts on "": GIO would take it for the current folder (Vanished).
//
// Failures are values; nothing here shows a message.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <time.h>

namespace bv {

// What became of an act on a listed file (trash, delete, move, putting its access time back):
// the one outcome type from here up to the windows. The recorded removal (common/recordedremoval.h)
// adds NotTouched; the log's ACTION line and the message a window shows for an outcome are worded
// in one place (common/wording.h).
enum class ActOutcome : std::uint8_t {
    Done,         // trashed, deleted, moved, or the access time put back
    Changed,      // the path names another file than the listed one now: not touched
    Vanished,     // the file is not there (any more), or there is no name to act on
    Refused,      // the system refused (permission, busy, a move's target name taken, ...)
    NotSupported, // the volume cannot do it (no trash on tmpfs): the file stays
    NotTouched,   // the log could not take the file's record first, so nothing was done
};

struct ActResult
{
    ActOutcome outcome = ActOutcome::Refused;
    QString reason; // the system's explanation, for a failure

    bool done() const { return outcome == ActOutcome::Done; }
};

class FileOps
{
public:
    virtual ~FileOps() = default;

    // Sends the file at path to the desktop trash if it still is `listed`.
    virtual ActResult trash(const QByteArray& path, const FileInfo& listed) = 0;
    // Deletes the file at path if it still is `listed` (unchangedSinceListed()).
    virtual ActResult remove(const QByteArray& path, const FileInfo& listed) = 0;
    // Moves the file at path, if it still is `listed`, into destFolder under its own name.
    virtual ActResult move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder) = 0;
    // Puts atime back on the file at path if it still is the listed file (same device and inode;
    // a file that was only looked at or edited since still is).
    virtual ActResult restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime) = 0;
    // True when files in this folder can go to the desktop trash, asked as GIO asks it (the home
    // trash for the home folder's device, else the trash at the top of the folder's volume):
    // false for a volume GIO does not trash on (tmpfs and other system volumes), where no trash
    // folder can be made, or where the home trash lies on another volume. Asked
    // once before a run, so a volume without a trash is said once instead of once per file.
    // *why (optional) receives the reason for a false.
    virtual bool canTrashAt(const QByteArray& folder, QString* why) = 0;
};

// lstat() of a listed path, its folders reached without following a link (one on the way gives
// ELOOP, a file there ENOTDIR), also past PATH_MAX: 0 or an errno value.
int lstatListed(const QByteArray& path, FileInfo& out);

// The folder of listed files, opened once and reached as lstatListed() reaches it. Looking at a
// file and then reading it through the same folder means both meet one file, even if a folder
// on the way is replaced in between.
class FolderOfListed
{
public:
    explicit FolderOfListed(const QByteArray& folder);
    ~FolderOfListed();
    FolderOfListed(const FolderOfListed&) = delete;
    FolderOfListed& operator=(const FolderOfListed&) = delete;

    int fd() const { return m_fd; } // -1 when it could not be opened
    // lstat() of a file in it (a plain name, no "/"): 0 or an errno value.
    int lstat(const QByteArray& name, FileInfo& out) const;

private:
    int m_fd = -1;
    int m_error = 0;
};

// True when `now` (a fresh lstat of the path) still describes the file `listed` describes: same
// device and inode, reached through the same mount (where both know it), same size and
// modification time, still not a folder. The access and change
// times are left out on purpose: looking at a file (Explore) and putting its access time back
// change them, and neither changes what the file holds.
bool unchangedSinceListed(const FileInfo& now, const FileInfo& listed);

// The real implementation (stateless; one shared instance).
class RealFileOps : public FileOps
{
public:
    ActResult trash(const QByteArray& path, const FileInfo& listed) override;
    ActResult remove(const QByteArray& path, const FileInfo& listed) override;
    ActResult move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder) override;
    ActResult restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime) override;
    bool canTrashAt(const QByteArray& folder, QString* why) override;

    // For tests: runs between the check of the file and the act on it (remove, a move within a
    // file system; for trash, before the path is checked once more for GIO), so a test can
    // change the tree exactly there. Empty: nothing runs.
    static void setHookBeforeActing(std::function<void()> hook);
};

// A long copy (a move across file systems) tells its progress between pieces of about a MiB:
// the bytes of the file gone through so far and its size. Returning false cancels the copy:
// what it wrote is removed, the file stays where it was and the move fails ("The move was
// cancelled."). The receiver may turn the event loop. While the whole copy is flushed to disk
// and while the source is removed (each can take most of a second per GiB), the receiver keeps
// being told (done == total) from the calling thread as the work runs on a helper thread; once
// the source is being removed its answer no longer counts.
using CopyProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Installs a progress receiver for the moves made while it lives (the move dialog's).
class CopyProgressScope
{
public:
    explicit CopyProgressScope(CopyProgress progress);
    ~CopyProgressScope();
    CopyProgressScope(const CopyProgressScope&) = delete;
    CopyProgressScope& operator=(const CopyProgressScope&) = delete;

private:
    CopyProgress m_previous;
};

// The installed implementation; the real one unless a test installed another.
FileOps& fileOps();
// nullptr puts the real implementation back.
void setFileOps(FileOps* ops);

} // namespace bv
