// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file's contents without making it look used.
//
// Searches never read contents; the duplicate finder does, twice: a Windows program's version
// resource (duplicates/peversion.h) and the same-content check of a group's rows. A "haven't
// been used" search must not find those files freshly used afterwards, so every such read goes
// through ContentFile:
//
// - It opens with O_NOATIME, which the kernel allows the file's owner (and root). Putting an
//   access time back needs that same right, so a file the kernel refuses O_NOATIME for (another
//   user's file the reader may read but not own) is not read at all (AtimeNotKept), unless its
//   volume records no reads (mounted noatime or read-only). Tests running as root check the
//   other way, a plain open whose access time is put back on close (AtimeRule::RestoreOnly):
//   accessTimeKept() tells whether that worked.
// - It never follows a symbolic link (O_NOFOLLOW: a link is handled as itself, and has no
//   contents of its own here) and never opens anything but a regular file: lstat first, so a
//   device is not even opened (opening some acts on them), then O_NONBLOCK so a FIFO put there
//   meanwhile cannot make it wait, and fstat of the open file before anything is read.
// - It reads at most a caller-given number of bytes in all, so a file that grows while it is
//   read cannot keep a reader busy for ever.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace bv {

// lstat() of a path (a link is described as itself); 0 or an errno value.
int lstatPath(const QByteArray& path, FileInfo& out);

enum class ContentOpen {
    Ok,
    Missing,      // no such file (any more)
    Link,         // a symbolic link: not followed
    NotAFile,     // a folder, FIFO, socket or device
    Denied,       // no permission to read
    AtimeNotKept, // readable, but reading would leave it looking used: not opened
    Failed,       // anything else (I/O error, too many open files, ...)
};

// How the access time is kept. NoAtimeWhereAllowed is what the program uses; RestoreOnly skips
// O_NOATIME so tests (running as root, where O_NOATIME always works) can check the fallback.
enum class AtimeRule { NoAtimeWhereAllowed, RestoreOnly };

class ContentFile
{
public:
    // Opens path for reading; readLimit caps the bytes all readAt() calls together may return.
    explicit ContentFile(const QByteArray& path, std::int64_t readLimit = INT64_MAX,
                         AtimeRule rule = AtimeRule::NoAtimeWhereAllowed);
    // The same for a caller that has just lstat()ed `name` in the folder open as `folderFd`
    // (`seen`): that look stands for the one before opening, and the open file must still be the
    // one it saw (device and inode), else the status is Missing.
    ContentFile(int folderFd, const QByteArray& name, const FileInfo& seen, std::int64_t readLimit = INT64_MAX,
                AtimeRule rule = AtimeRule::NoAtimeWhereAllowed);
    ~ContentFile(); // closes, putting the access time back where needed
    ContentFile(const ContentFile&) = delete;
    ContentFile& operator=(const ContentFile&) = delete;

    ContentOpen status() const { return m_status; }
    bool isOpen() const { return m_fd >= 0; }
    // fstat() of the open file, taken before anything was read.
    const FileInfo& info() const { return m_info; }
    std::int64_t size() const { return m_info.size; }
    bool usesNoAtime() const { return m_noAtime; }

    // Reads up to n bytes at offset (pread, retried on EINTR and short reads) into out. Returns
    // the bytes read (0 at the end of the file), or -1 on an error or when the read limit is used
    // up; a read that would pass the limit is cut at it.
    std::int64_t readAt(std::int64_t offset, void* out, std::size_t n);
    // Reads exactly n bytes at offset; false when the file or the limit ends first or on an error.
    bool readExactly(std::int64_t offset, void* out, std::size_t n);
    std::int64_t bytesRead() const { return m_bytesRead; }

    // Closes now (the destructor does it otherwise). True when the access time is what it was
    // at open: O_NOATIME was used, or the read left it alone, or it was put back.
    bool close();
    bool accessTimeKept() const { return m_atimeKept; }

private:
    void open(int atFd, const QByteArray& path, const FileInfo& seen, AtimeRule rule);

    int m_fd = -1;
    ContentOpen m_status = ContentOpen::Failed;
    FileInfo m_info;
    bool m_noAtime = false;
    bool m_atimeKept = true;
    std::int64_t m_limit = 0;
    std::int64_t m_bytesRead = 0;
    bool m_readTried = false;
};

// A symbolic link looked at without making it look used: reading or following a link stamps
// its own access time, which is put back where the reader may (only the link's owner or root).

// The target text of the link `name` in the folder open as folderFd; empty when it is no link
// (any more) or cannot be read.
QByteArray readLinkText(int folderFd, const QByteArray& name);

// True when the link linkName in linkFolder leads to the file fileName in fileFolder (`file`,
// its lstat): its target names that file, or its chain of links ends at a file that has no
// other name. Removing or moving that file leaves the link leading nowhere. Both folders are
// reached through real folders only, as a listed file is (platform/fileops.h).
bool linkLeadsToFile(const QByteArray& linkFolder, const QByteArray& linkName, const QByteArray& fileFolder,
                     const QByteArray& fileName, const FileInfo& file);

} // namespace bv
