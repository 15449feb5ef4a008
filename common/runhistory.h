// SPDX-License-Identifier: GPL-3.0-or-later
// The run history: every run that can remove files (a file search, a duplicate search, Quick
// Clean; never a sample run) keeps its log in "history/" of the program's data folder, and so
// does every restore, so what went to the trash can be put back days later.
//
// One file per run, named by its start time (UTC, to the millisecond) and its feature:
// "20261209-182010-123_file-search.log"; a restore names the run it put files back from:
// "20261209-183000-001_restore_of_20261209-182010-123_file-search.log". The file holds the very
// text of the run's log (common/searchlog.h), so it survives a kill the same way: it ends with
// whole lines and holds every removal made. The time of its last line is the end of the run.
//
// The history is bounded: the newest kMostRuns runs and at most kMostBytes in all; when a run
// begins the oldest runs are dropped until there is room for one more, and when it ends until
// the bytes are within the bound again.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace bv {

enum class RunFeature : std::uint8_t { FileSearch, DuplicateSearch, QuickClean, Restore };

namespace runhistory {
inline constexpr int kMostRuns = 200;
inline constexpr std::int64_t kMostBytes = 50LL * 1024 * 1024;
} // namespace runhistory

// "File Search", "Find Duplicates", "Quick Clean", "Restore": as the user knows the features.
QString runFeatureName(RunFeature feature);

QByteArray runHistoryFolder(const QByteArray& appFolder);

// Begins a run's history file: makes the folder (0700), drops the oldest runs past the bounds and
// returns the path the new run's file takes (free, not created yet); "" with *error when the
// folder cannot be made. `restoredRun`: the run a restore puts files back from.
QByteArray beginRunHistory(const QByteArray& appFolder, RunFeature feature, QString* error,
                           const QByteArray& restoredRun = {});

// Drops the oldest runs (never `keep`, the run that just ended) until the history is within its
// bounds. A run's log calls it when it closes, since a run's size is known only then.
void trimRunHistory(const QByteArray& appFolder, const QByteArray& keep = {});

struct HistoryRun
{
    QByteArray id;   // the file name without ".log": names the run for good
    QByteArray path; // the history file
    RunFeature feature = RunFeature::FileSearch;
    std::int64_t startMs = 0; // UTC, ms since the epoch
    std::int64_t endMs = 0;   // the time of its last line
    std::int64_t bytes = 0;
    QByteArray restoredRun; // a restore: the id of the run it put files back from
};

// The runs of the history, newest first. Files that are not a run's are left out.
QList<HistoryRun> listRunHistory(const QByteArray& appFolder);

// A history file's lines as the log wrote them (CR LF ends taken off, escapes kept); a last line
// cut short by a kill is left out. Empty when the file cannot be read.
QList<QByteArray> readHistoryLines(const QByteArray& path);

} // namespace bv
