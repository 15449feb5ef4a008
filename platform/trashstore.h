// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop trash as GIO fills it (the freedesktop.org layout): each trashed file lies in
// "files/" of a trash folder with its record "info/<name>.trashinfo", which holds its original
// path (trash::orig-path) and the local time it was trashed (trash::deletion-date). The home
// trash ($XDG_DATA_HOME/Trash) takes files of the home folder's volume; another volume's files
// go to "<top>/.Trash/<uid>" or "<top>/.Trash-<uid>", whose records hold paths relative to <top>.
//
// Putting a file back is one rename(2) and the unlink of its record, with the discipline of a
// removal: the original folder is reached through real folders only (a symbolic link on the way
// is refused, and so is leaving the trash's volume on the way down), missing folders are made,
// and nothing is ever overwritten (renameat2 with RENAME_NOREPLACE). The file goes back before
// its record goes: a restore killed in between leaves the file in place and a record without a
// file, which no listing shows.
//
// Failures come back as outcomes and errno values, never as messages.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QList>
#include <QSet>

#include <cstdint>

namespace bv {

struct TrashEntry
{
    QByteArray trashFolder;       // the trash folder ("…/Trash"), with files/ and info/ in it
    QByteArray name;              // the entry's name in files/ (its record is info/<name>.trashinfo)
    QByteArray originalPath;      // absolute native path
    std::int64_t deletedAtMs = 0; // the deletion date, read as local time, in ms since the epoch
    FileInfo file;                // the trashed file as it is now (lstat)
    FileInfo record;              // its record file as it was read (a changed record is not this entry's)
};

// The home trash ($XDG_DATA_HOME/Trash), whether it exists or not.
QByteArray homeTrashFolder();

// The trash folders a user's files can be in: the home trash, and the trash at the top of the
// volume of each of `paths` (only those that exist).
QList<QByteArray> trashFoldersFor(const QByteArray& homeTrash, const QList<QByteArray>& paths);

// The entries of one trash folder whose file is still there. With `baseNames` not empty, only
// entries whose name in files/ derives from one of those names (GIO names an entry after the
// file, with ".N" added when the name is taken) are read: the trash may hold a hundred thousand
// records of which a run's history asks about a few.
QList<TrashEntry> listTrash(const QByteArray& trashFolder, const QSet<QByteArray>& baseNames);

enum class PutBackOutcome : std::uint8_t {
    Done,
    Taken,        // something already has the original path: nothing is overwritten
    NotInTrash,   // the entry or its record is gone, or its record no longer matches
    LinkOnTheWay, // a folder of the original path is a symbolic link or not a folder
    OtherVolume,  // the way down leaves the volume the file is on
    Refused,      // the system refused (permission, read-only, ...): errorCode says why
};

struct PutBackResult
{
    PutBackOutcome outcome = PutBackOutcome::Refused;
    int errorCode = 0;
};

// Puts files back. One restorer keeps the trash folders and the last original folder open, so a
// run of ten thousand files costs little more than their renames.
class PutBack
{
public:
    PutBack();
    ~PutBack();
    PutBack(const PutBack&) = delete;
    PutBack& operator=(const PutBack&) = delete;

    // Puts a trash entry back at its original path, if its record is still the one listed (the
    // same record file, unchanged: an entry put back and trashed anew under the same name since it
    // was listed is another file).
    PutBackResult fromTrash(const TrashEntry& entry);
    // Moves a file that a run moved away (`from`) back to `to`, the same way: real folders only,
    // the folders made, nothing overwritten; within one volume only (OtherVolume otherwise).
    PutBackResult moveBack(const QByteArray& from, const QByteArray& to);

private:
    struct Open;
    Open* m_open;
};

} // namespace bv
