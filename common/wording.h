// SPDX-License-Identifier: GPL-3.0-or-later
// What the log and the user are told about acting on a listed file: the only place that words it.
//
// Every act on a file (trash, delete, move) ends in one ActOutcome (platform/fileops.h). The
// log's "ACTION:" line for it and the message a window shows for it are made here, from the
// outcome and from who asked for the act:
//
//   Done          "Recycle Bin", "Delete", or "Moved (<folder>)"; no message
//   Changed       "Skipped - File Changed Since It Was Listed"; "<file> has changed since it was found. ..."
//   Vanished      "Skipped - File No Longer Exists"; no message
//   Refused,      "Access Denied" when the run acted on its own, "Recycle Bin - Action Denied" or
//   NotSupported  "Delete - Action Denied" when the user decided; a refused move leaves no record;
//                 the message depends on the window (outcomeMessage())
//   NotTouched    nothing: the log could not take the file's record (its failure is told once)
//
// A refusal is worded as the run's own when the run acted on its own (an unattended file
// search), and after the action the user asked for when the user decided (the verification
// window, the duplicate review). A volume without a trash is a refusal like any other: the file
// is never deleted instead.
#pragma once

#include "platform/fileops.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace bv {

enum class RemovalAction : std::uint8_t { Trash, Delete, Move };

// Who decided that the file goes.
enum class DecidedBy : std::uint8_t {
    Run,  // the run, by its criteria (no verification)
    User, // the user, in a window
};

// The ACTION line for an act's outcome; empty when the outcome leaves no line (a refused move,
// NotTouched).
QByteArray actionLine(RemovalAction action, ActOutcome outcome, DecidedBy decidedBy, const QByteArray& destFolder = {});
// The user left the file in place (Ignore, or the verification window closed).
QByteArray ignoreLine();
// The user cancelled the search.
QByteArray abortLine();
// A run that acts on its own left a file because a program is using it.
QByteArray inUseLine();
// A sample run counted the file and left it in place.
QByteArray sampleRunLine();

// Where an outcome is told.
enum class Teller : std::uint8_t {
    FileSearch,     // an unattended file search
    DecisionWindow, // the verification window and the duplicate review window
    MoveDialog,
    QuickClean,
};

// A message box's text and style; no text: nothing is shown.
struct OutcomeMessage
{
    QString text;
    int style = 0;
};

// What the user is told about an act's outcome. Changed is told only once its record is in the
// log, which the caller knows; NotTouched is never told here (the log's failure is told once,
// common/recordedremoval.h).
OutcomeMessage outcomeMessage(Teller teller, RemovalAction action, ActOutcome outcome, const QString& shownPath);

// What the user is told about a file that changed since it was listed, wherever it was about to
// be removed or moved.
QString changedSinceListedText(const QString& shownPath);
// Quick Clean's word for a file it could not remove (one in use, one refused).
QString couldNotRemoveText(const QString& shownPath);

} // namespace bv
