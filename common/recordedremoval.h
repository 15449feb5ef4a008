// SPDX-License-Identifier: GPL-3.0-or-later
// Removing or moving one listed file together with its record in the search log: the one
// sequence every window that removes files goes through (the file search's unattended run, the
// verification window, the move dialog, the duplicate review window, Quick Clean).
//
// For a removal (trash or delete) the order is: the file's block goes to the log first, then
// the file is checked again and acted on (common/removal.h), then the ACTION line records what
// happened, then the counters move. So no file leaves without its block being on disk first,
// and nothing is counted that did not happen. A log that cannot take the block leaves the file
// untouched.
//
// The block written before the act is the record of intent. A program killed between the act
// and its ACTION line leaves that block as the very last thing in the log, its file gone or
// still there; every earlier block has its ACTION line. Writing the ACTION line first instead
// would let a kill leave a line that claims a removal that never happened.
//
// A move is recorded after it happened: a move the system refuses leaves the file where it is
// and the decision open (the user may pick another folder or decide otherwise), so it leaves no
// record. A move counts as no removal.
//
// Any log line that cannot be written stops the run (StopRequested) before its next removal,
// and the user is told once per run, always in the same words.
#pragma once

#include "common/appstate.h"
#include "platform/fsinfo.h"
#include "common/removal.h"
#include "common/wording.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace bv {

struct RecordedRemoval
{
    QByteArray path;         // native bytes: what finds the file
    FileInfo listed;         // what the search saw (re-checked right before acting)
    QList<QByteArray> block; // the file's block in the log: its path, then the captions shown
    RemovalAction action = RemovalAction::Delete;
    QByteArray destFolder; // Move only
    // Who decided the file goes: a refusal is logged in the run's own words or after the action
    // the user asked for (common/wording.h).
    DecidedBy decidedBy = DecidedBy::Run;
};

struct RemovalRecord
{
    ActOutcome outcome = ActOutcome::NotTouched;
    bool logged = false; // every line of the file's record is in the log
    QString reason;      // the system's explanation of a refusal
};

// log == nullptr: a feature that keeps no log (Quick Clean); nothing is written or required.
// Counters: a removal (not a move) adds the listed size to BytesReclaimed and one to FilesRemoved.
RemovalRecord removeWithRecord(const RecordedRemoval& request, SearchLog* log, AppState& program, RunValues& run);

// Writes lines in order with no event-loop turn between them. On a failure the run is told to
// stop before its next removal (and the user told once); returns false.
bool writeRecord(SearchLog& log, const QList<QByteArray>& lines, AppState& program, RunValues& run);

// The log could not be written: stop the run before its next removal; tell the user once.
void stopForLogFailure(SearchLog& log, AppState& program, RunValues& run);

// The record of a folder that could not be read (it lists nothing and the walk goes on).
QList<QByteArray> unreadableFolderRecord(const QByteArray& path, int errnoValue);

// What a feature says when its start fails for a reason the user cannot act on in the window.
QString notEnoughMemoryText();

// The one text for a log that cannot be written.
QString logFailureText(const QString& reason);

// What the user is told, before a run starts, when the files of a folder cannot go to the trash
// (the volume has none, as tmpfs): nothing is removed, and deletion never stands in for it.
QString trashUnavailableText(const QString& shownFolder, const QString& why);

// Asked at the start of a run that sends files to the trash: true when the files of `folder`
// can go there; otherwise the user is told so once (trashUnavailableText) and the run must not
// start. An empty folder is left to the run's own start checks.
bool trashUsableAt(const QByteArray& folder);

} // namespace bv
