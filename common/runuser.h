// What a run puts to its user about a file, and what the user decided.
//
// The file search shows each matched file in the verification window (VerifyItem) and learns
// what the user decided and what became of the file (FileDecision); the duplicate review shows
// the files of a group, one ReviewRow each.
#pragma once

#include "common/recordedremoval.h"
#include "platform/fileops.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <time.h>

namespace bv {

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

// One file of a group of same-named files, as read when the group is shown.
struct ReviewRow
{
    QByteArray name;   // as listed: real case, native bytes
    QByteArray folder; // native path of its folder
    QByteArray path;   // folder joined with name: what finds the file
    FileInfo info;     // lstat when the row was read: what a removal re-checks the file against
    QString size;
    QString version;
    QString lastAccess;
};

} // namespace bv
