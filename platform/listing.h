// SPDX-License-Identifier: GPL-3.0-or-later
// Listing one folder, in place of the list-box directory fill.
//
// Two layers. FolderScan is the engine: it reads an open folder with getdents64 into buffers it
// keeps for the next folder, sorts out the entries a listing shows and orders them; the tree
// walk (common/walk.cpp) runs one FolderScan for the whole walk, so listing a folder costs no
// allocation once the buffers have grown. listFolder() is the convenient form for per-folder
// features (duplicate finder, quick clean): names as QByteArrays, each file with its lstat().
//
// What a listing shows:
//   files   = regular files, and symbolic links that do not lead to a folder (a link is listed
//             as itself); never sockets, FIFOs or device nodes. FileClass::Normal leaves out
//             hidden names (beginning with "."); patterns (DOS wildcards, any of them) filter
//             the names, and a file that several patterns match is listed once.
//   folders = real directories on the same mount as the listed folder (mount id, so a bind
//             mount counts as another volume), without "." and "..", never a link to a folder,
//             never a trash folder (the user's Trash, ".Trash", ".Trash-<uid>");
//             DirClass::Normal leaves out hidden ones.
//   order   = names compared case-insensitively, bytes breaking ties (platform/wildcard.h).
// A folder that cannot be read lists nothing: the error comes back as an errno value.
//
// A sub-folder is examined with statx(AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) before anything
// opens it, so a listing never triggers an automount (a dead network share) just by looking.
// A link is followed to learn whether it leads to a folder; the link's own access time, which
// following may stamp, is put back where its owner may do so.
#pragma once

#include "platform/fsinfo.h"
#include "platform/wildcard.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <vector>

namespace bv {

// Who a folder is: device and inode, and the mount it was reached through.
struct FolderId
{
    dev_t dev = 0;
    ino_t ino = 0;
    std::uint64_t mountId = 0;
    bool hasMountId = false; // false on kernels older than 5.8: the device alone decides then

    bool sameObject(dev_t d, ino_t i) const { return dev == d && ino == i; }
    // Same device and, where the kernel tells, the same mount (a bind mount keeps the device).
    bool sameVolume(dev_t d, bool hasId, std::uint64_t id) const
    {
        return dev == d && (!hasMountId || !hasId || mountId == id);
    }
};

// The identity of an open folder; 0 or an errno value.
int identifyFolder(int fd, FolderId& out);

// Opens a sub-folder of an open folder without following a link and without leaving through a
// mount point unnoticed: returns the descriptor, or -errno (ELOOP/ENOTDIR for a link or a file).
int openSubfolder(int parentFd, const char* name);
// Opens a folder the user named (a link given as the folder itself is followed); fd or -errno.
int openFolderPath(const QByteArray& path);

// lstat() of one entry of an open folder, with the mount it was reached through
// (lstatWithMount()); 0 or an errno value.
int lstatAt(int dirFd, const char* name, FileInfo& out);

// Closes a folder opened by openSubfolder() or openFolderPath().
void closeFolder(int fd);

// The trash folders no listing or walk ever shows: the user's own, found by identity so any
// path to it counts, and every volume's ".Trash" / ".Trash-<uid>" by name.
class TrashFolders
{
public:
    // The user's trash is $XDG_DATA_HOME/Trash (default ~/.local/share/Trash), read now.
    static TrashFolders forCurrentUser();

    static bool isTrashName(QByteArrayView name);
    bool isUserTrash(dev_t dev, ino_t ino) const { return m_have && m_dev == dev && m_ino == ino; }
    // The user's trash folder path (may not exist).
    const QByteArray& userTrashPath() const { return m_path; }

private:
    QByteArray m_path;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    bool m_have = false;
};

struct ScanFilter
{
    FileClass files = FileClass::Normal;
    DirClass dirs = DirClass::Normal;
    const WildcardSet* patterns = nullptr; // null: every file name
    const TrashFolders* trash = nullptr;   // null: trash folders are still left out by name
    bool wantFiles = true;
    bool wantFolders = true;
    // Examine each sub-folder (statx) so the listing holds only real folders on this volume,
    // with their identity. The walk turns this off: it checks a folder when it opens it, and
    // keeps mount points from being opened at all by knowing them from mountinfo.
    bool examineFolders = true;
    // A read of the folder that leaves room in the buffer is its end (readsFillTheBuffer()).
    bool shortReadIsEnd = false;
};

// True when the file system of this folder fills a listing buffer as far as it can, so one
// short read ends a folder. The walk asks once: it never leaves the start folder's volume.
bool readsFillTheBuffer(int dirFd);

class FolderScan
{
public:
    struct Entry
    {
        const char* name; // NUL-terminated, valid until the next read()
        std::uint32_t size;
        bool symlink; // files only
        dev_t dev;    // folders only, when examined: identity seen when listed
        ino_t ino;

        QByteArrayView view() const { return {name, static_cast<qsizetype>(size)}; }
    };

    // Lists the open folder dirFd (read from its current position). self = the folder's own
    // identity: sub-folders on another mount are left out. Returns 0, or an errno value with
    // both lists empty.
    int read(int dirFd, const FolderId& self, const ScanFilter& filter);

    const std::vector<Entry>& files() const { return m_files; }
    const std::vector<Entry>& folders() const { return m_folders; }

private:
    int fill(int dirFd, bool shortReadIsEnd);

    std::vector<char> m_buf;
    std::size_t m_used = 0;
    std::vector<Entry> m_files;
    std::vector<Entry> m_folders;
};

struct ListedFile
{
    QByteArray name;
    FileInfo info; // zero unless ListOptions::statFiles
};

struct ListedFolder
{
    QByteArray name;
    dev_t dev = 0;
    ino_t ino = 0;
};

struct ListOptions
{
    FileClass files = FileClass::Normal;
    DirClass dirs = DirClass::Normal;
    QList<QByteArray> patterns; // empty: every file
    bool wantFiles = true;
    bool wantFolders = true;
    bool statFiles = true; // lstat each file; one that vanished meanwhile is left out
};

struct FolderListing
{
    QList<ListedFile> files;
    QList<ListedFolder> folders;
    int error = 0; // errno when the folder could not be opened or read; the lists are empty then
};

// Lists an open folder from its start (the descriptor's position is reset; it stays open).
FolderListing listFolder(int dirFd, const ListOptions& options);
// Lists the folder at path.
FolderListing listFolder(const QByteArray& path, const ListOptions& options);

} // namespace bv
