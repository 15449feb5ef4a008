// SPDX-License-Identifier: GPL-3.0-or-later
// The files of the run history: one folder beside the working log, private to the user (0700),
// holding one log file (0600) per run. Only the folder's listing and the removal of a file
// are here; what the files hold and how many are kept is common/runhistory.h's.
//
// Failures come back as errno values (0: none), never as messages.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace bv {

// Creates `folder` (its parent must exist) private to the user, or narrows an existing one to
// 0700: the logs name every file the user removed. A link in its place is refused (ELOOP).
int prepareHistoryFolder(const QByteArray& folder);

struct HistoryFileEntry
{
    QByteArray name;
    std::int64_t size = 0;
    std::int64_t modifiedMs = 0; // the last line written, in ms since the epoch (UTC)
};

// The regular files of the folder whose name ends with `suffix`, in no particular order.
QList<HistoryFileEntry> listHistoryFolder(const QByteArray& folder, const QByteArray& suffix, int* error = nullptr);

// True when no file of that name is in the folder (a new run's file takes a free name).
bool historyNameFree(const QByteArray& folder, const QByteArray& name);

// Removes one file of the folder. 0 or errno.
int removeHistoryFile(const QByteArray& folder, const QByteArray& name);

} // namespace bv
