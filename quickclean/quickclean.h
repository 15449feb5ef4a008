// Quick Clean's rules: which files one pass over a drive takes.
//
// The window (quickclean/ui/quickclean.h) runs the one walk over the chosen drive and hands
// every folder to a QuickCleanSelector, which lists the folder's files again and answers, file
// by file, what the run does with it. A sample run and a real run ask the same selector, so a
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
// root's home (a system's own *.bak files are not temporary files). A file a running program
// holds open or has mapped is "in use": a real run reports it as not removable and leaves it.
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

#include <sys/types.h>

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
};

// How one folder's files are taken.
struct FolderPlan
{
    bool everyFile = false;     // the temporary folder or a cache folder: every file
    bool tempFolder = false;    // directly in the temporary folder
    QList<QByteArray> patterns; // the type patterns, in order
    bool nothing() const { return !everyFile && patterns.isEmpty(); }
};

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
};

enum class FileVerdict {
    Remove,     // a real run removes it, a sample run counts it
    InUse,      // taken, but a program uses it: a real run reports it, nothing counts it
    NotTaken,   // no rule takes it
    NotAFile,   // not a regular file or link
    LockInTemp, // a hidden entry directly in the temporary folder
    NotOurs,    // another user's file
};

FileVerdict judgeFile(const FolderPlan& plan, uid_t runner, const FileFacts& file);

// What the system says for one run, read once at its start.
struct CleanSetting
{
    uid_t runner = 0;
    QByteArray tempFolder; // resolved; "" when there is none
    QByteArray home;       // the runner's home, resolved (bounds root's clean)
    FilesInUse inUse;
};

// One file a run takes from a folder.
struct CleanCandidate
{
    QByteArray path;
    FileInfo info;
    bool inUse = false;
};

class QuickCleanSelector
{
public:
    QuickCleanSelector(const QuickCleanChoices& choices, CleanSetting setting);

    // The files of a folder the walk hands over that a run takes (verdict Remove or InUse), in
    // the folder's order. Valid until the next call.
    const QList<CleanCandidate>& select(const WalkFolder& folder);

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
    QList<CleanCandidate> m_out;
    QList<int> m_order;
};

} // namespace bv
