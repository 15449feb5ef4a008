// SPDX-License-Identifier: GPL-3.0-or-later
// How a run meets its user.
//
// A run (the file search, the duplicate search and its review, Quick Clean, the overhang search,
// the disk-space figures) lives in its feature's core folder and never sees a window. Whatever
// needs the user goes through the interfaces below, which the run calls:
//
//   RunUser        messages and yes/no questions (the message service's texts, styles and
//                  titles), the run's figures and status line as values, the screen the walk
//                  shows itself on, and a turn of the event loop where a waiting Cancel must be
//                  seen before the next removal;
//   FileVerifier   one matched file put to the user (the verification window);
//   GroupReviewer  one group of same-named files put to the user (the duplicate review window).
//
// The user's decisions are carried out by the run, never by the window: the verifier and the
// reviewer are handed the run's FileActions or GroupActions and call them on the user's word.
// Each action acts at once through the recorded removal (the file's block goes to the log first,
// the file is checked again, its ACTION line records what happened, the counters move) and
// returns what became of the file, so the window only shows it: a window never writes a log
// block and never removes a file.
//
// The windows implement RunUser, FileVerifier and GroupReviewer; HeadlessUser
// (common/headlessuser.h) implements all three from scripted answers, so the tests, the
// benchmarks and the command line drive the very same runs the windows do.
#pragma once

#include "common/appstate.h"
#include "common/recordedremoval.h"
#include "common/walkdriver.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <span>
#include <time.h>

namespace bv {

class RunUser
{
public:
    virtual ~RunUser() = default;

    // A message box (MsgPlain, MsgCritical, MsgExclamation); returns once the user has read it.
    virtual void tell(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) = 0;
    // A yes/no question (MsgQuestion, MsgQuestionDefaultNo): true only for Yes.
    virtual bool ask(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) = 0;
    // The run's counters moved. Called at the screen's pace during a walk and once at its end
    // with the final values, so the last figures are always shown.
    virtual void showFigures(const RunValues& figures) = 0;
    // A text for the status line ("Checking...", "Done.").
    virtual void showStatus(const QString& text) = 0;
    // Where the walk shows the path it is in and its progress strip, and turns the event loop.
    virtual WalkScreen& walkScreen() = 0;
    // One turn of the event loop now: a Cancel the user confirmed meanwhile is seen before the
    // run's next removal.
    virtual void letEventsIn() = 0;
};

// One matched file put to the user, as the verification window shows it.
struct VerifyItem
{
    QByteArray path;           // native bytes: what finds the file
    FileInfo info;             // the listing's lstat (re-checked before a removal or move)
    QString lastUsedText;      // "...It Was Last Used On 12/1/2026"
    QString bytesText;         // "...File Size Is  2000 Bytes"
    QString attributeText;     // "...It's An Archive && Read-Only File" ("&&" shows as one "&",
                               // and is logged doubled)
    QString referenceDate;     // the reference date as text
    timespec referenceAtime{}; // the access time to put back after the user opened the file
    bool recycle = true;       // the search's "Send all files to the Recycle Bin"

    // The file's block in the log: its path (native bytes), then the three captions as the search
    // made them.
    QList<QByteArray> logBlock() const;
};

// What the user decided about a file, and what became of it.
enum class FileChoice : std::uint8_t {
    Undecided,
    Ignore, // left in place
    Remove, // to the trash or deleted, as the run's option says
    Move,   // moved into a folder the user picked
    Abort,  // the search asked to stop; the file gets no record
    Close,  // the window closed: left in place, recorded as ignored
};

struct FileDecision
{
    FileChoice choice = FileChoice::Undecided;
    // Remove and Move: what became of the file. Ignore, Close, Abort: NotTouched.
    ActOutcome outcome = ActOutcome::NotTouched;
    // Every line of the decision's record is in the log. False: the run has been told to stop
    // (and the user told once); for a removal that happened the file is gone all the same.
    bool logged = true;

    bool operator==(const FileDecision&) const = default;
};

// What the run does on the user's word about the file in question.
class FileActions
{
public:
    virtual ~FileActions() = default;
    // Delete: to the trash or deleted, as the run's option says.
    virtual RemovalRecord remove() = 0;
    // Move into `folder`. A move the system refuses leaves no record, and the file is still in
    // question (the user may pick another folder or decide otherwise).
    virtual RemovalRecord move(const QByteArray& folder) = 0;
    // Ignore, or the window closed: the file stays, its block and the ignore line go to the log.
    // False when the log could not take them.
    virtual bool ignore() = 0;
    // Abort: the run's own Cancel, which asks the user and on Yes records the abort and stops.
    virtual void abort() = 0;
    // The user opened the file to look at it: if it stays, its access time is put back as it was
    // when it was shown.
    virtual void opened() = 0;
};

class FileVerifier
{
public:
    virtual ~FileVerifier() = default;
    // Puts the file before the user and returns once it is decided: after remove(), a move that
    // was not refused, ignore() or abort(). Returns the decision.
    virtual FileDecision verify(const VerifyItem& file, FileActions& actions) = 0;
};

// One file of a group of same-named files, as read when the group is shown.
struct ReviewRow
{
    QByteArray name;     // as listed: real case, native bytes
    QByteArray folder;   // native path of its folder
    QByteArray path;     // folder joined with name: what finds the file
    FileInfo info;       // lstat when the row was read: what a removal re-checks the file against
    QByteArray linkText; // a symbolic link's target as written in it
    QString size;
    QString version;
    QString lastAccess;

    bool isLink() const { return info.isSymlink(); }
};

// What the run does on the user's word about a row of the group in question. `row` is the
// row's index in the rows given to the reviewer (it does not change as rows go).
class GroupActions
{
public:
    virtual ~GroupActions() = default;
    // Delete the row's file, as the run's option says.
    virtual RemovalRecord remove(int row) = 0;
    // Move the row's file into `folder`; a refused move leaves no record.
    virtual RemovalRecord move(int row, const QByteArray& folder) = 0;
    // The row as its file is now, read again after it changed; false when it is gone.
    virtual bool reread(int row, ReviewRow& now) = 0;
    // Abort: the run's own Cancel (asks; on Yes records the abort and stops).
    virtual void abort() = 0;
};

class GroupReviewer
{
public:
    virtual ~GroupReviewer() = default;
    // Puts the group before the user and returns when the group is done: Continue, Abort, the
    // window closed, or no row left.
    virtual void review(std::span<const ReviewRow> rows, GroupActions& actions) = 0;
};

} // namespace bv
