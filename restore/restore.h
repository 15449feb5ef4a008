// SPDX-License-Identifier: GPL-3.0-or-later
// Putting removed files back: what a run of the history removed, what became of each file since,
// and the restore run that puts them back.
//
// A run's history file is its log (common/runhistory.h). Each removal left the file's block (its
// path, then captions) and then an "ACTION:" line: "Recycle Bin" (trashed), "Delete" (deleted for
// good) or "Moved (<folder>)". A run killed between a removal and its ACTION line leaves that
// file's block last with no ACTION line: the file may be in the trash, so it is looked for there.
//
// A trashed file is found again by its trash record: the same original path, and a deletion time
// within the run's time (its start to its last line; the record keeps whole seconds). A record
// that matches in path but not in time is another removal's, and is never taken.
//
// A restore is a run of its own in the history, with a log in the same form: a header, the
// file's block before the act and its ACTION line after it, the totals. It never overwrites: a
// file now at the original path is said and skipped. A file that changed in the trash since it
// was removed (its size or type) still goes back, and is said.
#pragma once

#include "common/runhistory.h"
#include "platform/trashstore.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace bv {

enum class RemovedHow : std::uint8_t {
    Trashed,
    Deleted,
    Moved,
    Interrupted, // the run was killed between the act and its record: perhaps trashed
};

struct RemovedFile
{
    QByteArray path; // the original path (native bytes)
    RemovedHow how = RemovedHow::Trashed;
    QByteArray movedTo;               // Moved: the path it was moved to
    std::optional<std::int64_t> size; // as the log recorded it, when it recorded it exactly
};

// The removals a run's log records, in its order (lines as readHistoryLines() gives them).
QList<RemovedFile> removedFilesOf(const QList<QByteArray>& logLines);

enum class FileState : std::uint8_t {
    InTrash,       // can be put back
    PutBack,       // a restore put it back already
    GoneFromTrash, // trashed, but no longer in the trash (emptied, or put back by hand)
    Deleted,       // deleted for good: cannot be restored
    Moved,         // still where the run moved it: can be moved back
    GoneFromMoved, // moved, and no longer where it was moved to
};

struct FileNow
{
    RemovedFile removed;
    FileState state = FileState::GoneFromTrash;
    TrashEntry entry;     // InTrash: its trash entry
    FileInfo now;         // InTrash, Moved: the file as it is now
    bool changed = false; // its size or type differs from what was removed
    bool restorable() const { return state == FileState::InTrash || state == FileState::Moved; }
};

struct RunOverview
{
    HistoryRun run;
    int filesRemoved = 0;
    std::int64_t bytesRemoved = 0;
    int restorable = 0;
};

// The history and the trash, read once: what each run removed and what became of each file.
class RestoreView
{
public:
    // Reads the history of the data folder and the trash folders its files can be in.
    static RestoreView load(const QByteArray& appFolder, const QByteArray& homeTrash = homeTrashFolder());

    // Newest first, restores included (they remove nothing).
    const QList<RunOverview>& runs() const { return m_runs; }
    // The removed files of one run, in the order of its log.
    QList<FileNow> filesOf(const QByteArray& runId) const { return m_files.value(runId); }

private:
    QList<RunOverview> m_runs;
    QHash<QByteArray, QList<FileNow>> m_files;
};

// What became of one file of a restore.
enum class RestoreOutcome : std::uint8_t {
    PutBack,
    MovedBack,
    Taken,        // something already has the original path: left where it is
    NotThere,     // no longer in the trash (or where it was moved), or its record changed
    LinkOnTheWay, // a folder on the original path is a link (or not a folder)
    OtherVolume,  // the original folder is on another volume now
    Refused,      // the system refused (errorCode)
    NotTouched,   // the restore's log could not take its record, or the file is not restorable
};

struct RestoredFile
{
    QByteArray path;
    RestoreOutcome outcome = RestoreOutcome::NotTouched;
    int errorCode = 0;
    bool changed = false;
};

struct RestoreReport
{
    QList<RestoredFile> files;
    int putBack = 0;
    std::int64_t bytesPutBack = 0;
    QString logError;       // the restore's log failed: it stopped before its next file
    QByteArray historyPath; // the restore's own history file
};

// The restore log's ACTION line for an outcome.
QByteArray restoreActionLine(RestoreOutcome outcome);

// Puts `files` of `run` back (those not restorable are left out), recording the restore as a run
// of its own in the history of appFolder. progress(done, total) after each file.
RestoreReport restoreFiles(const QByteArray& appFolder, const HistoryRun& run, const QList<FileNow>& files,
                           const std::function<void(int, int)>& progress = {});

} // namespace bv
