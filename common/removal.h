// SPDX-License-Identifier: GPL-3.0-or-later
// Removing or moving a file a search has listed.
//
// A search lists a file, then may wait a long time (a verification window, a busy walk) before
// acting on it. removeListedFile() and moveListedFile() therefore look at the file again right
// before acting (lstat, its folders reached without following a link: same device and inode,
// same size and modification time, still not a folder) and leave a file that changed alone: what the user decided on is
// not what is there now. A delete or move checks once more through the file's folder, right before it acts
// (platform/fileops.h). All file system work goes through fileOps(), so tests can make it fail.
//
// The trash is never replaced by deletion: a volume without a trash gives NotSupported and the
// file stays where it is. What became of the file is an ActOutcome (platform/fileops.h), the one
// outcome type from the platform up to the windows.
#pragma once

#include "platform/fileops.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QString>

namespace bv {

// Re-checks, then sends the file to the trash (toTrash) or deletes it.
ActResult removeListedFile(const QByteArray& path, const FileInfo& listed, bool toTrash);

// Re-checks, then moves the file into destFolder under its own name; an existing file of that
// name is never overwritten (Refused).
ActResult moveListedFile(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder);

} // namespace bv
