// SPDX-License-Identifier: GPL-3.0-or-later
// The one directory walk of Brisvane.
//
// Every tree-wide feature (file search, duplicate search, quick clean, cluster overhang)
// visits its tree through walkTree(). The walk is a loop over an explicit stack, not a
// recursion, so depth is limited only by memory. It visits folders depth first, pre-order:
// a folder's own files before its sub-folders, sub-folders in listing order (names sorted
// case-insensitively, bytes breaking ties), each sub-tree finished before the next sibling.
//
// What it never does: follow a symbolic link, leave the start folder's file system (mount id,
// not just the device, so bind mounts count), enter a folder that is already on the current
// path, enter a trash folder, list sockets/FIFOs/devices, or read a file's contents.
//
// It talks to its caller only through WalkHooks: the caller decides per folder whether it
// takes the folder itself (duplicates, quick clean) or lets the walk hand it each file, and
// it answers stopRequested() between files and folders. How the walk ended comes back as a
// value: complete, stopped, or an error with its reason.
//
// Paths are native bytes throughout; turning them into display text is the caller's job.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <sys/types.h>
#include <time.h>

namespace bv {

// FileClass, DirClass and FileInfo (one lstat() of a listed file) live in platform/fsinfo.h.

struct WalkFile
{
    const QByteArray& folder; // the folder being listed
    const QByteArray& name;   // the entry's name, as bytes
    const QByteArray& path;   // folder joined with name
    int folderFd;             // open descriptor of the folder, valid during the call
    const FileInfo* info;     // null unless WalkOptions::statFiles
};

struct WalkFolder
{
    const QByteArray& path;
    int fd;    // open descriptor of the folder, valid during the call
    int depth; // 0 = the start folder, 1 = a folder directly below it, ...
};

class WalkHooks
{
public:
    virtual ~WalkHooks() = default;

    // Polled before every folder and between files; true ends the walk as Stopped.
    virtual bool stopRequested() = 0;
    // "Let pending messages be processed": called at the points where the walk may yield.
    virtual void yield() {}
    // The start folder was listed; topLevelFolders = its number of sub-folders that will be
    // walked. Called once, before anything else is handed out.
    virtual void started(int topLevelFolders) { (void)topLevelFolders; }
    // A folder is entered for the first time (before its files).
    virtual void folderEntered(const WalkFolder& folder) { (void)folder; }
    // Per-folder features take the folder themselves and return true: the walk then lists
    // no files of it (it still walks its sub-folders).
    virtual bool handleFolder(const WalkFolder& folder)
    {
        (void)folder;
        return false;
    }
    // One listed file, for per-file features. A file that matches several patterns comes once.
    virtual void file(const WalkFile& file) { (void)file; }
    // A folder that could not be opened or read: it lists nothing and the walk goes on.
    virtual void folderError(const QByteArray& path, int errnoValue)
    {
        (void)path;
        (void)errnoValue;
    }
};

struct WalkOptions
{
    QByteArray start; // the start folder, already resolved to its real path
    FileClass files = FileClass::Normal;
    DirClass dirs = DirClass::Normal;
    QList<QByteArray> patterns; // DOS wildcards; empty means every file
    bool statFiles = true;      // lstat every handed file (a vanished file is then skipped)
    int maxOpenFolders = 32;    // folders deeper than this many open ones are reopened on demand
};

enum class WalkEnd { Complete, Stopped, Error };

struct WalkResult
{
    WalkEnd end = WalkEnd::Complete;
    QString reason;              // for Error: what went wrong, for the user
    std::int64_t folders = 0;    // folders entered
    std::int64_t files = 0;      // files handed to file()
    std::int64_t unreadable = 0; // folders that could not be listed
};

WalkResult walkTree(const WalkOptions& options, WalkHooks& hooks);

} // namespace bv
