// SPDX-License-Identifier: GPL-3.0-or-later
// The files that running programs are using: held open, or mapped into memory.
//
// A clean-up that removes a file a program still writes to or has mapped breaks that program
// (a half-written download, an editor's swap file, a shared library in /tmp), and frees no space
// until the program lets go. FilesInUse is read once, before a run, from /proc: every open
// descriptor (/proc/PID/fd) and every file-backed mapping (/proc/PID/maps) of the processes the
// user may look at. Processes of other users stay closed to a normal user, which is fine: their
// files are not the user's to remove anyway.
//
// Reading the table takes tens of milliseconds on a busy desktop (thousands of descriptors, one
// system call each), far too long to repeat for every folder of a drive. A run reads it at its
// start and again from time to time; right before a file is removed, probeInUse() asks the
// kernel about that one file, which also sees programs whose /proc entries are closed to us.
//
// Files are known by device and inode. A descriptor is followed to the file itself. A mapping
// counts twice over: by the device and inode the kernel writes in the maps line, and by its path
// looked up here (on Btrfs and overlay mounts the two devices differ). A path seen from another
// mount namespace may name some other file here; that only keeps a file, never removes one.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <sys/types.h>
#include <unordered_set>

namespace bv {

class FilesInUse
{
public:
    // Reads /proc now. readable() is false when the process table itself could not be read:
    // then nothing is known, and a caller that removes files must not go on.
    static FilesInUse ofRunningProcesses();

    bool readable() const { return m_readable; }
    bool contains(dev_t dev, ino_t ino) const { return m_files.count(key(dev, ino)) != 0; }
    void add(dev_t dev, ino_t ino) { m_files.insert(key(dev, ino)); }
    std::size_t size() const { return m_files.size(); }

private:
    struct Key
    {
        std::uint64_t dev;
        std::uint64_t ino;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash
    {
        std::size_t operator()(const Key& k) const noexcept { return k.ino * 0x9E3779B97F4A7C15ull ^ k.dev; }
    };
    static Key key(dev_t dev, ino_t ino) { return {std::uint64_t(dev), std::uint64_t(ino)}; }

    std::unordered_set<Key, KeyHash> m_files;
    bool m_readable = false;
};

enum class UseProbe {
    Free,    // no program has the file open or mapped now
    InUse,   // some program has
    Unknown, // the kernel could not be asked (not a regular file, no read access, no leases)
};

// Whether any process has the file `name` of the open folder open or mapped, now: a write lease
// is granted only on a file nobody else has open (a mapping keeps its file open), and is given
// back at once. The file must still be the one listed (device and inode), else Unknown. Opening
// it neither reads it nor changes its access time.
UseProbe probeInUse(int folderFd, const char* name, const FileInfo& listed);

// One file-backed mapping of a maps text.
struct MappedFile
{
    dev_t dev = 0;
    ino_t ino = 0;
    // The path as the kernel wrote it (a removed file's with " (deleted)" after it, which then
    // finds nothing or only keeps one more file). The kernel writes a newline as
    // "\012" and leaves a backslash as it is, so a path holding "\012" is ambiguous: both readings
    // are given then (looking up one more path can only keep a file).
    QList<QByteArray> paths;
};

// The file-backed mappings of a /proc/PID/maps text (anonymous ones, [heap] and the like left
// out). Pure, for tests.
QList<MappedFile> parseMaps(QByteArrayView text);

} // namespace bv
