// SPDX-License-Identifier: GPL-3.0-or-later
// What the platform layer tells about one directory entry: the attribute classes a listing is
// asked for, and one lstat() of a file. Shared by the folder listing (platform/listing.h) and
// the tree walk (common/walk.h), which re-exports these names for its callers.
#pragma once

#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

namespace bv {

// Attribute classes of the listing: 33 = files that are not hidden, 39 = all files;
// 16 = folders that are not hidden, 55 = all folders. Hidden means the name starts with ".".
enum class FileClass { Normal = 33, All = 39 };
enum class DirClass { Normal = 16, All = 55 };

// One lstat() of a listed file.
struct FileInfo
{
    dev_t dev = 0;
    ino_t ino = 0;
    mode_t mode = 0;
    std::int64_t size = 0;
    std::int64_t blocks = 0; // 512-byte units
    std::int64_t nlink = 0;
    timespec atime{};
    timespec mtime{};
    timespec ctime{};
    // The mount the file was reached through (statx). A listing never crosses a mount, so a
    // file reached later through another one (a bind mount put over a listed folder) is not the
    // one listed, even where device and inode match (a hard link).
    std::uint64_t mountId = 0;
    bool hasMountId = false; // false where the kernel does not tell (before 5.8)

    bool isSymlink() const;
    bool isReadOnly() const; // the owner has no write permission

    static FileInfo fromStat(const struct stat& st);
    static FileInfo fromStatx(const struct statx& sx);
};

// lstat() of an entry of an open folder ("" for the folder itself), with the mount it was
// reached through: 0 or an errno value. owner and group (optional) receive its owner and group.
int lstatWithMount(int dirFd, const char* name, FileInfo& out, uid_t* owner = nullptr, gid_t* group = nullptr);

} // namespace bv
