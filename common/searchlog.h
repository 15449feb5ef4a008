// SPDX-License-Identifier: GPL-3.0-or-later
// The working search log ("temp.bv" in the program's data folder): one open at a time, written
// line by line by the searches, read back by the log viewer.
//
// Every line is UTF-8 and ends with CR LF, and it is on disk (written and flushed to the
// kernel) before writeLine() returns: a crash or a kill in the middle of a search leaves every
// line of what was already done. A line that cannot be written makes writeLine() return false
// and the log stays failed: a search must stop before its next removal, since a removal is
// never done without its record. What part of that line got written is cut off again: the log
// always ends with a whole line.
//
// A run that can remove files also keeps its log in the run history (common/runhistory.h):
// keepHistory() after open() makes every line go, with the same single write and the same
// durability, to the run's history file too. The history file is the very text of the log; a
// line that cannot reach either file fails the log.
//
// Text is escaped on the way in: control characters, line and paragraph separators,
// bidirectional controls, bytes that are not UTF-8 and the backslash become \xNN (byte by
// byte), so a file name can never fake a line of its own or show as another name.
#pragma once

#include "common/runhistory.h"
#include "platform/logfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace bv {

class SearchLog
{
public:
    SearchLog() = default;
    ~SearchLog();
    SearchLog(const SearchLog&) = delete;
    SearchLog& operator=(const SearchLog&) = delete;

    // Creates the file (mode 0600) or empties an existing one. False (with error()) when it
    // cannot.
    bool open(const QByteArray& path);
    // Keeps this log in the run history as a run of `feature` (call it right after open(); lines
    // already written are copied first). False (with error()) and the log failed when the history
    // file cannot be made: a run that removes files must not start without its record.
    bool keepHistory(const QByteArray& appFolder, RunFeature feature);
    // A run whose log is its history file alone (Quick Clean, a restore): opens this log on a new
    // history file of `feature`. `restoredRun`: the run a restore puts files back from.
    bool openInHistory(const QByteArray& appFolder, RunFeature feature, const QByteArray& restoredRun = {});
    // The run's history file, when it keeps one.
    QByteArray historyPath() const { return m_historyPath; }
    // One line: native bytes (a file name, or text already in UTF-8) or text.
    bool writeLine(const QByteArray& line);
    bool writeLine(const QString& line);
    bool writeLine(const char* line) { return writeLine(QByteArray(line)); }
    // Several lines with one write(2): a record's lines reach the file together, and a group
    // of thousands of lines costs one system call instead of thousands.
    bool writeLines(const QList<QByteArray>& lines);
    // "This search was made on " and the date as the header shows it.
    bool writeHeader(const QDateTime& now);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    QByteArray path() const { return m_path; }

    // The escaping applied to every line (exposed for tests and for the windows that must
    // show the same text the log holds).
    static QByteArray escape(const QByteArray& bytes);
    static void appendEscapedText(QByteArray& out, const QByteArray& bytes);

private:
    bool fail(const QString& why);

    AppendOnlyFile m_file;
    AppendOnlyFile m_history;
    QByteArray m_historyPath;
    QByteArray m_historyAppFolder;
    bool m_failed = false;
    QString m_error;
    QByteArray m_path;
};

// Reading a log back for the viewer. The viewer refuses a log larger than its limits (bytes, or
// lines); a saved log the user opens is cut at the limits instead (Truncate), so no file can
// freeze the program.
// Only regular files are read: a FIFO or a device picked by name would block or never end.
// Lines longer than a couple of thousand characters come back broken into pieces of that
// length, so a file with no line ends cannot freeze the viewer either. A file that is not UTF-8
// is read as Windows-1252 (common/logtext.h).
struct LogContents
{
    enum Status { Loaded, TooLarge, Unreadable };
    Status status = Unreadable;
    QString text; // lines end with "\n", as the viewer keeps them
    QString error;
};
enum class LogLimit { Refuse, Truncate };
LogContents readLogForViewer(const QByteArray& path, qint64 limitBytes, qsizetype limitLines, LogLimit mode);

// A byte copy of a log (save, the word-processor copy) that replaces `to`. The copy is written
// beside `to` and renamed over it, so a failed copy (full disk, unreadable source) leaves an
// existing `to` as it was; a folder that cannot be written fails the copy (it is never written
// in place). A new `to` is readable by its owner only (0600).
struct FileResult
{
    bool ok = false;
    QString error;
};
FileResult copyLogFile(const QByteArray& from, const QByteArray& to);

} // namespace bv
