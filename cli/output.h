// SPDX-License-Identifier: GPL-3.0-or-later
// What brisvane-cli prints: a human-readable listing by default, or with --json one JSON object
// per line (one per file, then the summary), and progress on standard error when that is a
// terminal.
//
// Names are bytes, printed so that any name can be read back exactly and none can pass for
// another or drive the terminal:
// - the listing escapes as the search log does: a backslash, a control character, a line or
//   paragraph separator, a bidirectional control and every byte that is not UTF-8 become \xNN
//   (byte by byte, NN in upper-case hex); `printf '%b'` turns the text back into the name;
// - JSON writes valid UTF-8 as it is (with JSON's own escapes for '"', '\' and controls) and
//   each byte that is not part of valid UTF-8 as \udcNN, the lone surrogate U+DC80 + (byte -
//   0x80), as Python's "surrogateescape" does: os.fsencode() of the decoded string gives the
//   name's bytes back.
#pragma once

#include "platform/fileops.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <time.h>
#include <variant>

namespace bv::cli {

QByteArray listingName(QByteArrayView bytes);
QByteArray jsonName(QByteArrayView bytes); // with its quotes
QByteArray jsonText(const QString& text);  // with its quotes

// A file time as ISO 8601 in UTC ("2024-01-31T10:22:05Z"), and its calendar day.
QByteArray isoTime(const timespec& t);
QByteArray isoDay(const timespec& t);

// What became of one file, in the words of both forms.
enum class FileOutcome : std::uint8_t {
    Listed,     // a dry run: left alone
    Done,       // trashed or deleted
    Changed,    // not the file that was listed any more: left alone
    Vanished,   // gone before it was reached
    Refused,    // the system refused
    InUse,      // a program has it open: left alone
    NotTouched, // the log could not take its record: left alone
};
FileOutcome fileOutcome(ActOutcome outcome);
// "listed", "trashed"/"deleted", "changed", "vanished", "refused", "in-use", "not-touched"
const char* outcomeWord(FileOutcome outcome, bool trash);
// True for the outcomes that count as a file that could not be removed.
bool isFailure(FileOutcome outcome);

struct FileLine
{
    QByteArray path;
    std::int64_t size = 0;
    timespec accessed{};
    timespec modified{};
    FileOutcome outcome = FileOutcome::Listed;
    QString reason; // the system's reason for a refusal
};

// One named value of a summary or a report.
struct Field
{
    const char* name;
    std::variant<std::int64_t, QString, QByteArray, bool> value; // QByteArray: a path
};

class Printer
{
public:
    Printer(bool json, const char* action, FILE* out = stdout, FILE* err = stderr);

    void file(const FileLine& line);
    // A group of the duplicate search: its name, then its rows (path, size, date, version).
    struct GroupRow
    {
        QByteArray path;
        QString size;
        QString date;
        QString version;
    };
    void group(const QByteArray& name, const QList<GroupRow>& rows);
    // The report's or summary's values; human: "name: value" lines under `title`.
    void summary(const QString& title, const QList<Field>& fields);
    // Progress on standard error when it is a terminal (replaced in place, cleared by done()).
    void progress(const QString& text);
    void clearProgress();
    // A problem with one file, on standard error.
    void problem(const QString& text);

    // Standard output could not be written (the reader went away): the run should stop.
    bool outputFailed() const { return m_outputFailed; }

private:
    void write(const QByteArray& bytes);

    bool m_json;
    const char* m_action;
    FILE* m_out;
    FILE* m_err;
    bool m_progressShown = false;
    bool m_progressTerminal = false;
    bool m_outputFailed = false;
};

} // namespace bv::cli
