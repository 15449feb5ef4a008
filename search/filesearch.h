// SPDX-License-Identifier: GPL-3.0-or-later
// The file search's logic, without widgets: what the panel's entries mean and what the search
// does with each listed file.
//
// The panel reads its controls once at Begin into FileSearchEntries; validateEntries() either
// names the first entry that is wrong (its message and the control to send the user back to)
// or returns the immutable FileSearchCriteria the whole run works from. Per listed file,
// checkFile() applies the size and date tests and prepares the texts the log and the
// verification window show; the panel then only hands the file on or removes it.
//
// Dates: what the user types is read in the locale's short date form or as ISO 8601
// (yyyy-mm-dd); a two-digit year falls in 1930-2029. A file's access and modification times
// are taken as stored (UTC), never converted to local time, and compared as calendar days.
#pragma once

#include "common/format.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace bv {

// The three date criteria, in the order InstructionList offers them.
const QStringList& instructionItems();

enum class Criterion { HaveBeenUsed, HaventBeenUsed, ModifiedOrCreated };

// The controls' contents at Begin, as the user left them.
struct FileSearchEntries
{
    QString pattern0;
    QString pattern1;
    QString instruction; // InstructionList's text
    QString sinceText;   // SINCELabel's caption ("since" or "on")
    QString dateText;
    QString bytesText;
    bool recycle = true;
    bool verify = true;
    bool ignoreHidden = true;
    bool ignoreHiddenDirs = true;
};

// What a run looks for; built once at Begin and never changed during the run.
struct FileSearchCriteria
{
    QString pattern0; // trimmed, as typed
    QString pattern1;
    Criterion criterion = Criterion::HaventBeenUsed;
    QString instruction; // as typed (the log repeats it)
    QString sinceText;
    QDate limit;
    QString dateText;  // as typed
    QString bytesText; // reformatted: digits only, or empty
    std::int64_t minSize = 0;
    bool recycle = true;
    bool verify = true;
    bool ignoreHidden = true;
    bool ignoreHiddenDirs = true;
    QByteArray folder; // the start folder, resolved to its real path
    QLocale locale;    // short dates in the log are written in it

    QList<QByteArray> patterns() const; // the non-empty patterns, for the walk
};

enum class EntryControl { None, BytesText, SearchPattern0, InstructionList, DateText };

struct ValidationIssue
{
    QString message;
    EntryControl control = EntryControl::None;
    bool selectAll = false; // select the control's whole text before focusing it
};

struct ValidationResult
{
    // Set when BytesText passed and must show its reformatted value (even if a later step
    // fails, as the reformat comes before the other checks).
    std::optional<QString> reformattedBytes;
    std::optional<ValidationIssue> issue;
    FileSearchCriteria criteria; // complete except folder when there is no issue
};

// Begin's checks, in their order (the start-folder question is the panel's).
ValidationResult validateEntries(const FileSearchEntries& entries, const QLocale& locale = QLocale());

// A size as BytesText accepts it ("1500", "1,500", "1500.4"): the rounded value, or nothing
// when the text is not a number. Grouping follows the locale; "," is always accepted too.
std::optional<std::int64_t> parseByteCount(const QString& text, const QLocale& locale = QLocale());

// A typed date: the locale's short date form (day, month and year in its order) or ISO 8601.
// Two-digit years fall in 1930-2029. Invalid dates (31 February) give nothing.
std::optional<QDate> parseUserDate(const QString& text, const QLocale& locale = QLocale());

// The attribute value of a file (1 read-only, 2 hidden; system and archive are never set here)
// and its text: "A Normal", "A Read-Only", "A Hidden", ... (exact values only; others "An Unknown").
int attributeValue(const QByteArray& name, const FileInfo& info);
QString attributeText(int value);

// Whether a file with these days passes the criterion. days: for the two "used" criteria the
// calendar days from the limit to the last use; for "modified or created" from the
// modification day to the limit.
bool criterionMatches(Criterion criterion, std::int64_t days);

struct FileCheck
{
    bool sizeOk = false; // false: the file is below the threshold and was not tested further
    bool matched = false;
    std::int64_t days = 0;
    // The texts below are filled only for a matched file.
    int attributes = 0;
    QString attributeText;
    QString lastUseText;   // last access day, short date
    QString modifiedText;  // modification day, short date
    QString referenceDate; // last-use day, or modification day for "modified or created"
};

FileCheck checkFile(const FileSearchCriteria& criteria, const QByteArray& name, const FileInfo& info);

// The log's lines for a run, before and after the walk. Header lines are UTF-8 text except the
// start folder's native bytes; the log escapes what is not UTF-8.
QList<QByteArray> headerLines(const FileSearchCriteria& criteria, const QDateTime& now);
struct SearchCounters
{
    std::int64_t matched = 0;
    std::int64_t checked = 0;
    std::int64_t removed = 0;
    std::int64_t bytes = 0;
};
QStringList summaryLines(const SearchCounters& counters);

// The captions of one matched file, as the verification window shows them and as an
// unattended removal logs them (the log writes "is" where the window says "Is").
struct FileCaptions
{
    QString lastUsed;  // "...It Was Last Used On 12/8/2026"
    QString bytes;     // "...File Size Is  1500 Bytes"
    QString attribute; // "...It's A Normal File"
};
FileCaptions verifyCaptions(const FileSearchCriteria& criteria, const FileCheck& check, const FileInfo& info);
// The lines after the path in an unattended removal's block.
QStringList unattendedBlock(const FileSearchCriteria& criteria, const FileCheck& check, const FileInfo& info);

} // namespace bv
