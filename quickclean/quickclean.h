// SPDX-License-Identifier: GPL-3.0-or-later
// Quick Clean's rules: which files one pass over a drive takes.
//
// The run (quickclean/quickcleanrun.h) walks the chosen drive once and hands every folder to a
// QuickCleanSelector, which lists the folder's files again and answers, file by file, what the
// run does with it. A sample run and a real run ask the same selector, so a
// sample lists exactly what a real run removes.
//
// What a folder gives:
// - the temporary folder (found by identity, not by a path that merely looks like it): every
//   file directly in it, the type patterns not applied on top; hidden entries there (lock files
//   such as .X0-lock) stay;
// - any other folder: the files of the ticked types, "*.tmp", "*.bak", "*.fts", "*.$$$" in this
//   order, hidden ones included;
// - a folder of the old browser cache (path ending, without regard to case, in
//   "Temporary Internet Files/Cache1" to "Cache4", as on a mounted Windows disk): every file.
// What always stays: files of other users (they are not ours, and would only fail one by one),
// anything not a regular file or link, and for root everything outside the temporary folder and
// root's home (a system's own *.bak files are not temporary files). In the temporary folder a
// file changed or opened within the last 24 hours stays too: the running session keeps files
// there that no program holds open between uses (a Kerberos ticket cache, an X authority file),
// and removing them breaks the session. Files in a folder the user cannot change (a root-owned
// folder, a read-only volume) stay and are counted apart, so that a sample run lists exactly what
// a real run removes and the user is told once. A file a running program holds open or has
// mapped is "in use": a real run reports it as not removable and leaves it.
//
// A folder is taken one file at a time (beginFolder, then next), so that a folder of hundreds of
// thousands of files never holds the window up: the caller turns the event loop between files.
//
// Trash folders never reach the selector: the walk does not enter them.
#pragma once

#include "platform/folderfiles.h"
#include "platform/inuse.h"
#include "common/walk.h"
#include "platform/wildcard.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace bv {

// The window's boxes, read once at Start.
struct QuickCleanChoices
{
    bool tmpFiles = false;    // "*.TMP"
    bool bakFiles = false;    // "*.BAK"
    bool ftsFiles = false;    // "*.FTS"
    bool dollarFiles = false; // "*.$$$"
    bool tempFolder = true;   // "Files in Windows Temp folder"
    bool browserCache = false;
    bool recycle = true;
    bool sample = false;
};

// The patterns of the ticked type boxes, in the order a folder's files are taken.
QList<QByteArray> typePatterns(const QuickCleanChoices& choices);

// True for a folder of the old browser's cache (see above).
bool isBrowserCacheFolder(QByteArrayView path);

// What is known of a folder when the walk hands it over.
struct FolderFacts
{
    QByteArrayView path;
    bool isTempFolder = false; // the temporary folder itself
    bool inRootArea = false;   // in or below the temporary folder or the user's home folder
    bool changeable = true;    // the user may remove entries from it
};

// How one folder's files are taken.
struct FolderPlan
{
    bool everyFile = false;     // the temporary folder or a cache folder: every file
    bool tempFolder = false;    // directly in the temporary folder
    bool changeable = true;     // see FolderFacts
    QList<QByteArray> patterns; // the type patterns, in order
    bool nothing() const { return !everyFile && patterns.isEmpty(); }
};

// How long a file in the temporary folder stays after it was last changed or opened.
constexpr std::int64_t kTempFileGraceSeconds = 24 * 60 * 60;

FolderPlan planFolder(const QuickCleanChoices& choices, uid_t runner, const FolderFacts& folder);

// Where a name comes in the folder's order: the index of the first type pattern it matches,
// after them the files that only "every file" takes; -1 when the plan does not take it.
int takeOrder(const FolderPlan& plan, QByteArrayView name);

struct FileFacts
{
    QByteArrayView name;
    mode_t mode = 0; // lstat
    uid_t owner = 0;
    bool inUse = false;
    bool recent = false; // changed or opened within the grace period (see usedRecently)
};

// True when the file was changed or opened less than the grace period before `now` (seconds
// since the epoch), or claims a time after it.
bool usedRecently(const FileInfo& info, std::int64_t now);

enum class FileVerdict {
    Remove,       // a real run removes it, a sample run counts it
    InUse,        // taken, but a program uses it: a real run reports it, nothing counts it
    NotTaken,     // no rule takes it
    NotAFile,     // not a regular file or link
    LockInTemp,   // a hidden entry directly in the temporary folder
    NotOurs,      // another user's file
    RecentInTemp, // directly in the temporary folder and used within the grace period
    FolderLocked, // taken, but its folder cannot be changed: nothing removes or counts it
};

FileVerdict judgeFile(const FolderPlan& plan, uid_t runner, const FileFacts& file);

// What the system says for one run, read at its start (the files in use again during it).
struct CleanSetting
{
    uid_t runner = 0;
    QByteArray tempFolder; // resolved; "" when there is none
    QByteArray home;       // the runner's home, resolved (bounds root's clean)
    std::int64_t now = 0;  // the start of the run, seconds since the epoch
    FilesInUse inUse;
};

// One file of a folder that a rule takes, judged.
struct CleanCandidate
{
    QByteArray path;
    QByteArray name;
    FileInfo info;
    FileVerdict verdict = FileVerdict::NotTaken;
};

class QuickCleanSelector
{
public:
    QuickCleanSelector(const QuickCleanChoices& choices, CleanSetting setting);

    // Lists a folder the walk hands over (its descriptor must stay open until the folder is
    // done). False when no file of it can be taken.
    bool beginFolder(const WalkFolder& folder);
    // The folder's next file that a rule takes, looked at now, in the folder's order: false when
    // the folder is done. Only the verdicts Remove and InUse are for the run to act on.
    bool next(CleanCandidate& out);
    int folderFd() const { return m_folderFd; }

    // The files in use, read again.
    void setFilesInUse(FilesInUse inUse) { m_setting.inUse = std::move(inUse); }
    // Called every few milliseconds while a large folder is listed (platform/folderfiles.h).
    void setWhileListing(std::function<void()> whileListing) { m_whileListing = std::move(whileListing); }

    // Files left so far because their folder cannot be changed, and the first such folder.
    std::int64_t lockedFiles() const { return m_lockedFiles; }
    const QByteArray& firstLockedFolder() const { return m_firstLockedFolder; }

private:
    // A folder recognised by identity, wherever the walk meets it.
    struct Landmark
    {
        QByteArray baseName;
        FolderId id;
        bool known = false;
    };
    bool isLandmark(const Landmark& mark, const WalkFolder& folder);
    bool inRootArea(QByteArrayView path) const;

    QuickCleanChoices m_choices;
    CleanSetting m_setting;
    Landmark m_temp;
    Landmark m_home;
    QList<QByteArray> m_rootAreas; // folders below which root cleans
    WildcardSet m_typeSet;
    FolderFiles m_files;
    std::function<void()> m_whileListing;

    // The folder being taken.
    QByteArray m_folderPath;
    int m_folderFd = -1;
    FolderPlan m_plan;
    std::optional<bool> m_changeable;   // asked at its first taken file
    std::vector<std::uint32_t> m_taken; // indexes into the listing, in the folder's order
    std::size_t m_next = 0;

    std::int64_t m_lockedFiles = 0;
    QByteArray m_firstLockedFolder;
};

} // namespace bv
