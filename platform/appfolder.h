// SPDX-License-Identifier: GPL-3.0-or-later
// The program's data folder ($XDG_DATA_HOME/Brisvane, default ~/.local/share/Brisvane), which
// holds the working log and its copy, and the lock that keeps one Brisvane per user: a second
// one would share the working log and erase the first one's at its exit.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QLockFile;

namespace bv {

// Creates the folder when missing, private to the user (0700, like any folder it has to make on
// the way); returns its path, or "" with the reason in *error.
QByteArray prepareAppFolder(QString* error);

// The lock of one Brisvane per user. Not getting it has two causes the user must tell apart:
// another Brisvane holds it (heldByAnother), or the lock cannot be written at all (a data folder
// that is read-only, not the user's, on a full volume, over the file-size limit): then failure()
// says why, and no other Brisvane is involved.
class SingleInstance
{
public:
    explicit SingleInstance(const QByteArray& appFolder);
    ~SingleInstance();
    bool acquired() const { return m_acquired; }
    bool heldByAnother() const { return m_heldByAnother; }
    // Why the lock could not be written (the system's words), when neither of the above.
    const QString& failure() const { return m_failure; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
    bool m_heldByAnother = false;
    QString m_failure;
};

} // namespace bv
