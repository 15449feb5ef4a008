// SPDX-License-Identifier: GPL-3.0-or-later
// The files of one folder as a per-folder feature reads them again.
//
// The walk hands a per-folder feature (quick clean) each folder as an open descriptor, already
// read once for its sub-folders. FolderFiles reads that folder's files from its start with one
// FolderScan kept for the whole walk (no allocation per folder once its buffer has grown), with
// the listing's rules (platform/listing.h): regular files and links that do not lead to a
// folder, every attribute class, names filtered by DOS wildcards, in listing order. Each file's
// lstat comes with its owner, which the listing's FileInfo leaves out.
//
// Reading and ordering a folder of hundreds of thousands of names takes a good part of a second:
// a large folder is read on a helper thread while the caller's window goes on answering.
#pragma once

#include "platform/fsinfo.h"
#include "platform/listing.h"
#include "platform/wildcard.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace bv {

class FolderFiles
{
public:
    // Lists the files of the open folder (from its start; the descriptor stays open). patterns
    // null: every file. 0, or an errno value with an empty list. A large folder is read on a
    // helper thread, and whileReading (if given) is called every few milliseconds until it is
    // done; the folder and the patterns must not change meanwhile.
    int read(int dirFd, const WildcardSet* patterns, const std::function<void()>& whileReading = {});
    // Valid until the next read().
    const std::vector<FolderScan::Entry>& files() const { return m_scan.files(); }

private:
    int readNow(int dirFd, const WildcardSet* patterns);

    FolderScan m_scan;
    int m_shortReadIsEnd = -1; // unknown until the first folder: a walk stays on one volume
};

// lstat() of one entry of an open folder, with its owner; 0 or an errno value.
int lstatWithOwner(int dirFd, const char* name, FileInfo& info, uid_t& owner);

// Device and inode of the folder at path (a final link followed); nothing when it is not there.
std::optional<FolderId> folderIdentity(const QByteArray& path);

} // namespace bv
