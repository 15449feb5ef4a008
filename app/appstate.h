// Program-wide values of Brisvane, owned by the main window and alive from start to exit.
// Everything here is touched on the GUI thread only.
#pragma once

#include "app/searchlog.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

namespace bv {

enum : std::uint8_t {
    SearchIdle = 0,
    SearchFinished = 1,  // a duplicate run has finished
    SearchRunning = 3,   // a walk started by a feature is running
    SearchReviewing = 4, // the duplicate search's review phase
    SearchEnded = 255,   // the walk has ended, for whatever reason
};

struct AppState
{
    std::uint8_t SearchState = SearchIdle;
    bool StopRequested = false;
    bool OverhangMode = false;
    bool DuplicateMode = false;

    // Result counters of the running or last search. 64-bit: a modern tree overflows 32 bits.
    std::int64_t FilesMatched = 0;
    std::int64_t FilesChecked = 0;
    std::int64_t FilesRemoved = 0;
    std::int64_t BytesReclaimed = 0;

    int RecycleResult = 0;

    // Progress strip: one block per ProgressStep folders entered directly below the start.
    int ProgressStep = 0;
    int TopLevelSeen = 0;

    // Folder of the working log, its word-processor copy and the lock file.
    QByteArray AppFolder;
    // "" until the user picks a drive or folder on the file-search panel.
    QString PathChosen;

    // The working search log, open only between a search's start and its end.
    SearchLog Log;

    // The clock every date in a log comes from; tests set a fixed one.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
};

} // namespace bv
