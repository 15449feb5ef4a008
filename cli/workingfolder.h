// SPDX-License-Identifier: GPL-3.0-or-later
// Where a command-line run keeps its working log.
//
// The file search and the duplicate search write their log to "temp.bv" in the folder they are
// given, as the desktop program does in its data folder. A command-line run must never take over
// the desktop program's working log, which may be open in it right now: each run gets a folder
// of its own in the data folder (private to the user), removed with its log when the run is
// over. --log FILE receives a copy of the finished log.
#pragma once

#include <QByteArray>
#include <QString>

namespace bv::cli {

class WorkingFolder
{
public:
    explicit WorkingFolder(const QByteArray& appFolder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    bool ok() const { return m_ok; }
    const QByteArray& path() const { return m_path; }
    QByteArray log() const;

private:
    QByteArray m_path;
    bool m_ok = false;
};

// The finished log copied to `to` (replacing what was there). False with *why when it cannot be.
bool copyLog(const QByteArray& from, const QByteArray& to, QString* why);

} // namespace bv::cli
