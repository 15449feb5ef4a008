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

    bool isSymlink() const;
    bool isReadOnly() const; // the owner has no write permission

    static FileInfo fromStat(const struct stat& st);
};

} // namespace bv
