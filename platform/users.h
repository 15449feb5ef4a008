// Who runs Brisvane, and the system temporary folder as that user's programs see it.
//
// The quick clean removes only the files of the user who runs it, and empties the temporary
// folder; both answers come from here. The temporary folder is TMPDIR where that names a folder
// of its own, else /tmp: a TMPDIR of "/" or of the home folder (or a folder above it) is a
// mistake in the environment, and taking it at its word would empty the home folder.
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

// True when a resolved folder may serve as the temporary folder: not "/", and neither one of
// the given (resolved) home folders nor a folder above one of them.
bool isDedicatedTempFolder(const QByteArray& folder, const QList<QByteArray>& homes);

// The system temporary folder now, resolved: TMPDIR where it names an existing, dedicated
// folder, else /tmp; "" when neither exists.
QByteArray systemTempFolder();

} // namespace bv
