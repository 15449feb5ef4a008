// SPDX-License-Identifier: GPL-3.0-or-later
// What a duplicate run writes to the search log, apart from the removals themselves (those go
// through common/recordedremoval.h): the header with the entries and options, each reviewed
// file's block, the line that closes a group, and the totals.
//
// The panel and the review window only gather the values; the wording lives here, in one place.
#pragma once

#include "common/appstate.h"
#include "duplicates/rowvalues.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace bv {

// The entries of the duplicate panel at Begin, as typed and ticked.
struct DupSearchEntries
{
    QString pattern2; // first pattern box, as typed
    QString pattern3; // second pattern box ("" when hidden)
    bool ignoreInstallation = true;
    bool recycle = true;
    bool ignoreHiddenFiles = true;
    bool ignoreHiddenDirs = true;
};

// The header: the date line, the patterns, the start folder (native bytes, as resolved), the
// ticked options in the order the log has always listed them, and an empty line.
QList<QByteArray> dupHeaderLines(const DupSearchEntries& entries, const QByteArray& folder, const QDateTime& now);

// One reviewed file: its path, size, version and last-access date, and an empty line. The
// size text carries its own leading blank when it is a plain byte count.
QList<QByteArray> dupRowLines(const ReviewRow& row);

// The two lines that close a group in the log: 59 underscores and an empty line.
QList<QByteArray> dupGroupEndLines();

// The four totals at the end of a run.
QList<QByteArray> dupSummaryLines(const RunValues& run);

// What the user is told when the list of files cannot grow any more.
QString dupOutOfMemoryText();

// The question asked before removing (or moving) a file that other rows of its group are
// symbolic links to: `rows` are those rows (1-based, ascending), `file` the file as shown.
QString linkedFileQuestion(const QString& file, const QList<int>& rows, bool moving);

} // namespace bv
