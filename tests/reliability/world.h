// SPDX-License-Identifier: GPL-3.0-or-later
// The randomised world of the reliability tests, and the one checker every run goes through.
//
// A World is a small folder tree made from a seed: a start folder for the search and, beside it,
// files the search must never reach. The start folder holds what makes a clean-up tool slip:
// symbolic links to files and folders outside it and to its own ancestors, hard links to outside
// files, names that are not UTF-8 or hold a line break, hidden files and folders, a trash folder,
// a FIFO, and, where the test may mount (a private mount namespace), a tmpfs and a bind mount of
// an outside folder. The World knows, from what it made, which files a set of criteria selects
// (its own reckoning, not the search's code).
//
// Before a run the World records every entry (lstat and a digest of the contents, read without
// touching the access time). Races change the tree through the World, which keeps the record in
// step. After the run, check() compares the tree, the log and the trash with the record:
// - every entry that was not selected is there, byte for byte and time for time (size, mode,
//   inode, modification and access times, contents);
// - a selected entry is either unchanged or gone, and gone only with its block and its
//   "ACTION:" line in the log (a run cut short may leave its very last block without one);
// - no log line claims a removal that did not happen, and no file that was not selected is
//   named in the log;
// - a recycled file is in the trash (by inode), and, unless the run was killed or a race got in
//   the way, every selected file is gone.
#pragma once

#include "common/appstate.h"
#include "quickclean/quickclean.h"
#include "search/filesearch.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sys/stat.h>

namespace bv::test {

// One entry as a run must leave it, unless the run may remove it.
struct EntryState
{
    mode_t mode = 0;
    std::int64_t size = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime{};
    timespec atime{};
    QByteArray digest; // contents of a regular file; empty otherwise

    bool operator==(const EntryState& o) const;
    QByteArray differences(const EntryState& o) const; // "size mtime ..." or ""
};

// path -> state of every entry below root (root itself left out). Links are never followed,
// mounts are crossed; folders are recorded without times (listing them moves their access time).
std::map<QByteArray, EntryState> snapshotTree(const QByteArray& root);

// Where a race strikes: before the file operation's own check (between the search's re-check and
// the operation), or between that check and the act (RealFileOps::setHookBeforeActing).
enum class RacePoint { BeforeCheck, BeforeAct };
enum class RaceKind { Vanish, Grow, ReplaceBySymlink, SwapFolderForSymlink };

struct WorldOptions
{
    int folders = 5;        // folders below the start (random nesting)
    int filesPerFolder = 4; // on average
    bool mounts = false;    // make a tmpfs and a bind mount inside the start folder
    bool oddEntries = true; // links, hard links, odd names, FIFO, trash folder
    bool sameNames = false; // few names, met in several folders (and in two cases)
};

// What a run selects, as the World reckons it: the file search's criteria, the duplicate
// finder's (every file of a name met twice or more, all rows deleted: pattern0 and the hidden
// options of `search`), or Quick Clean's boxes with the start folder as the temporary folder.
enum class Feature { FileSearch, Duplicates, QuickClean };
struct Selection
{
    Feature feature = Feature::FileSearch;
    FileSearchCriteria search;
    QuickCleanChoices clean;
};

class World
{
public:
    // Made in a new folder below parent, removed again with the World.
    World(std::uint64_t seed, const QByteArray& parent, const WorldOptions& options);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    QByteArray root() const { return m_root; }
    QByteArray start() const { return m_start; }
    std::mt19937_64& rng() { return m_rng; }
    bool mounted() const { return m_mounted; }

    // Random criteria for a run (recycle and verify as given).
    FileSearchEntries randomEntries(bool recycle);
    // What the run works from: the entries validated (en_US) and the start folder.
    FileSearchCriteria criteriaFor(const FileSearchEntries& entries) const;

    // Records the tree as it is now and which entries the run selects. Call after making the
    // world and before the run.
    void record(const Selection& selection);
    void record(const FileSearchCriteria& criteria) { record(Selection{Feature::FileSearch, criteria, {}}); }
    // Selected regular files, in path order.
    QList<QByteArray> selectedFiles() const;
    qsizetype selectedCount() const;

    // Races: change the tree at `path` (a selected file) the way `kind` says, keeping the record
    // in step; returns the "ACTION:" line the log must then show for that file, or "" if the
    // race cannot be made there.
    QByteArray race(const QByteArray& path, RaceKind kind, RacePoint point, bool recycle);

    // CutShort: the run stopped when its log could no longer be written; its last removal may
    // then lack its ACTION line, and selected files may remain. Killed: the same, cut by SIGKILL,
    // which may also stop the log's last write(2) in the middle of a line (the kernel ends a write
    // at a page boundary for a fatal signal) and may catch the one link being followed at that
    // instant with its access time stamped and not yet put back (finding out whether a link
    // leads to a folder follows it, and following stamps it; the listing puts the time back).
    enum class RunEnd { Complete, CutShort, Killed };
    // Every broken guarantee, one line each (empty: all held). logLines: the log without CR LF,
    // none for a feature that keeps no log (Quick Clean); trashFiles: the trash's files folder
    // for a recycling run ("" for deletion).
    QStringList check(const std::optional<QList<QByteArray>>& logLines, bool recycle, const QByteArray& trashFiles,
                      RunEnd end = RunEnd::Complete) const;

private:
    struct Expect
    {
        QByteArray listedPath; // where the search found it (the path its log block names)
        EntryState state;
        bool selected = false;
        bool excused = false; // a race got in its way: it may stay
        QByteArray mustLog;   // the "ACTION:" line a race calls for ("" = none in particular)
    };

    void build(const WorldOptions& options);
    QByteArray pick(const QList<QByteArray>& from);
    // Whether the walk hands the file at path to a feature (hidden options as given).
    bool listed(const QByteArray& path, const EntryState& state, bool ignoreHidden, bool ignoreHiddenDirs) const;
    bool selects(const QByteArray& path, const EntryState& state, const Selection& s) const;
    void forget(const QByteArray& prefix);
    void remember(const QByteArray& path, const QByteArray& listedPath, bool selected);

    std::mt19937_64 m_rng;
    QByteArray m_root;
    QByteArray m_start;
    QByteArray m_outside;
    QList<QByteArray> m_otherFileSystems; // mount points below the start
    QList<QByteArray> m_folders;          // folders below the start (start included)
    bool m_mounted = false;
    std::map<QByteArray, Expect> m_expect;
    QList<QByteArray> m_vanished; // selected files a race removed
    Feature m_feature = Feature::FileSearch;
    int m_races = 0;
};

// The file search's run, unattended and without a window, as Begin starts it; the log goes to
// logPath, which must be named temp.bv (the working log's name in its folder). What the run
// counted.
RunValues runCoreSearch(const FileSearchCriteria& criteria, const QByteArray& logPath);

// The log's lines without their CR LF; a line without one comes back as "<unterminated> ...".
QList<QByteArray> readLogLines(const QByteArray& path);

// The worlds' "now": their recently used files were used at this moment (Quick Clean's clock
// in a world's run, so its temporary folder's files of the last day stay).
QDateTime worldNow();

// Removes everything in the trash of this process's XDG_DATA_HOME (between runs).
QByteArray emptiedTrashFiles();

} // namespace bv::test
