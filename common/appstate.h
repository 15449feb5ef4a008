// SPDX-License-Identifier: GPL-3.0-or-later
// The values Brisvane keeps, by how long they live.
//
// - AppState: the program's values, from start to exit (the data folder, the clock, the working
//   log, the activity state and the stop request). The main window owns it.
// - RunValues: the values of one run of a tree-wide feature: the four result counters and the
//   progress strip's step. A run starts them afresh; they stay readable after it (the panels
//   reprint them) until the next run or a panel's reset.
// - Each panel keeps its own values (the chosen path, the last drive, ...) as members.
//
// Everything here is touched on the GUI thread only.
#pragma once

#include "common/searchlog.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <functional>

namespace bv {

// What the program is doing. The numbers are the ones its logic has always compared.
enum class SearchState : std::uint8_t {
    Idle = 0,
    Finished = 1,  // a duplicate run has finished
    Running = 3,   // a walk started by a feature is running
    Reviewing = 4, // the duplicate search shows its groups
    Ended = 255,   // the walk has ended, for whatever reason
};

struct AppState
{
    bv::SearchState SearchState = bv::SearchState::Idle;
    // Set by a confirmed Cancel (or Quit) of the running feature; the walk polls it.
    bool StopRequested = false;

    // Folder of the working log, its word-processor copy and the lock file.
    QByteArray AppFolder;

    // The data folder whose run history (common/runhistory.h) keeps the log of every run that can
    // remove files; empty: no history is kept (a listing that removes nothing, a test).
    QByteArray HistoryFolder;

    // A folder given on the command line, resolved to its real path; empty if none. The search
    // panels start their folder lists there and count it as chosen.
    QByteArray StartFolder;

    // The working search log, open only between a search's start and its end.
    SearchLog Log;

    // The clock every date in a log comes from; tests set a fixed one.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
};

struct RunValues
{
    // Result counters of the running or last run. 64-bit: a modern tree overflows 32 bits.
    std::int64_t FilesMatched = 0;
    std::int64_t FilesChecked = 0;
    std::int64_t FilesRemoved = 0;
    std::int64_t BytesReclaimed = 0;

    // Progress strip: one block per ProgressStep folders entered directly below the start.
    int ProgressStep = 0;
    int TopLevelSeen = 0;

    // The user has been told that the log cannot be written (once per run is enough).
    bool toldLogFailure = false;

    void resetCounters() { *this = RunValues{}; }
};

} // namespace bv
