// SPDX-License-Identifier: GPL-3.0-or-later
// Who runs Brisvane, what that user may change, and the system temporary folder as that user's
// programs see it.
//
// The quick clean removes only the files of the user who runs it, only from folders that user may
// change, and empties the temporary folder; the answers come from here.
//
// The temporary folder is TMPDIR only where TMPDIR names a folder meant for temporary files: a
// sticky, world-writable folder (as /tmp and /var/tmp are), or a folder of the user's own that
// lies outside their home. Anything else is a mistake in the environment, and taking it at its
// word would empty that folder: TMPDIR=$HOME/Documents would empty the user's documents. Root's
// temporary folder is /tmp or /var/tmp and nothing else, whatever TMPDIR says. Otherwise /tmp.
#pragma once

#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace bv {

struct CurrentUser
{
    uid_t uid = 0;
    // The home folder from the password database, resolved ("" when unknown or missing). Not
    // $HOME: sudo keeps the caller's HOME, and root's home must be root's own.
    QByteArray home;

    bool isRoot() const { return uid == 0; }
};

CurrentUser currentUser();

// What is known of the folder TMPDIR names.
struct TempFolderFacts
{
    QByteArray path; // resolved
    uid_t owner = 0;
    mode_t mode = 0; // as lstat gives it, the file type included
};

// True when the folder may serve as `uid`'s temporary folder (see above). `homes` are the
// user's home folders, resolved (the password database's and $HOME's); `systemTemp` the
// resolved /tmp and /var/tmp, the only ones root may have.
bool isAcceptableTempFolder(const TempFolderFacts& folder, uid_t uid, const QList<QByteArray>& homes,
                            const QList<QByteArray>& systemTemp);

// The system temporary folder now, resolved: TMPDIR where it is acceptable, else /tmp; "" when
// neither exists.
QByteArray systemTempFolder();

// True when the user running Brisvane may add and remove entries in the open folder: it can be
// written and searched, and its volume is not read-only.
bool canChangeFolder(int folderFd);

} // namespace bv
