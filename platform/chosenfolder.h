// SPDX-License-Identifier: GPL-3.0-or-later
// The start folder a user chose for a run, remembered as what its path led to at that moment.
//
// A panel shows a folder long before its run starts. If the folder is replaced meanwhile (by a
// symbolic link to another folder, by a volume mounted over it, or it is taken away), the same
// path leads elsewhere, and a run started from it would remove files the user never chose. So
// the folder is remembered by device and inode when it is chosen, and a run asks first whether
// its path still leads there; if not, the user is told and nothing starts.
#pragma once

#include <QByteArray>

#include <sys/types.h>

namespace bv {

class ChosenFolder
{
public:
    // Remembers what `path` leads to now (a link the user chose as the folder is followed, as
    // the run follows it). Called whenever the user picks a folder, the same one again too.
    void choose(const QByteArray& path);
    const QByteArray& path() const { return m_path; }

    // Asked when a run starts: true when the path still leads to the folder chosen (or nothing
    // was chosen, or the path led to no folder then, which the run's own checks report).
    // Otherwise the user is told "The folder X has changed since it was chosen. Choose it
    // again." and the run must not start.
    bool stillLeadsThere() const;

private:
    QByteArray m_path;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    bool m_known = false;
};

} // namespace bv
