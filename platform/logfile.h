// SPDX-License-Identifier: GPL-3.0-or-later
// The file I/O of the search log: creating and appending to the working log, reading a log back
// for the viewer, and copying one (save, the word-processor copy). The log's own rules (its
// escaping, line ends, limits and messages) are common/searchlog.h's; this is only where they
// meet the system.
//
// Failures come back as errno values (0: none), never as messages.
#pragma once

#include <QByteArray>
#include <QString>

namespace bv {

// A file written by appending whole records with one write(2) each and no buffer of its own:
// once append() returns, the bytes survive a crash or a kill of the program.
class AppendOnlyFile
{
public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // Creates the file readable by its owner only (0600), or empties an existing one; an existing
    // regular file with a wider mode is narrowed to 0600. 0 or errno.
    int create(const QByteArray& path);
    // Appends all of bytes. When the system takes only part of them (a disk that fills in the
    // middle), what part got written is cut off again, so the file ends where it ended before.
    // 0, errno, or kNothingWritten when the system wrote nothing and gave no reason.
    int append(const QByteArray& bytes);
    static constexpr int kNothingWritten = -1;
    // 0, or errno when the close reported a failure (some file systems, NFS, report a failed
    // write only here). The file is closed either way.
    int close();
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// At most `limit` bytes from the start of a regular file. Anything else (a FIFO, a device) is
// refused without waiting on it: notRegular. openError: the file could not be opened; readError:
// reading stopped early (bytes holds what was read until then).
struct FileHead
{
    QByteArray bytes;
    int openError = 0;
    bool notRegular = false;
    int readError = 0;
};
FileHead readFileHead(const QByteArray& path, qint64 limit);

// Copies `from` to `to`, replacing `to`. The copy is written beside `to` and renamed over it, so a
// failed copy (a full disk, an unreadable source) leaves an existing `to` as it was; it is never
// written in place. A new `to` is readable by its owner only (0600); a replaced one keeps its mode.
struct CopyResult
{
    bool ok = false;
    bool folderNotWritable = false; // nothing could be written beside `to`
    QString error;                  // the system's explanation of a failure
};
CopyResult copyReplacing(const QByteArray& from, const QByteArray& to);

} // namespace bv
