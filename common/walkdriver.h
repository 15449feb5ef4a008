// SPDX-License-Identifier: GPL-3.0-or-later
// The walk as every tree-wide feature runs it: the one directory walk (common/walk.h) plus what
// each run shows and counts, whatever the feature.
//
// A feature (file search, duplicate search, quick clean, cluster overhang) says what it wants
// of the walk through FeatureHooks: a per-file routine, or a per-folder one that takes the
// folder itself. driveWalk() adds the rest: the activity state (Running while it runs, Ended at
// every end), the stop request, the path on the status line, the progress strip (one block per
// ProgressStep folders directly below the start), FilesMatched for per-file features, and the
// event-loop passes that keep the window answering.
//
// The window the walk runs in is a WalkScreen: it paints the status line and the strip and
// turns the event loop. Painting is the window's business; the driver only asks, and asks the
// feature to show its figures at about the status line's rate (showProgress), with a last call
// at the end so the final values are always shown.
#pragma once

#include "common/appstate.h"
#include "common/walk.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace bv {

// A feature's side of a walk.
class FeatureHooks
{
public:
    virtual ~FeatureHooks() = default;
    // A listed file (file search: CheckFile; cluster overhang: Hanger). The driver counts it in
    // FilesMatched after the call.
    virtual void file(const WalkFile& file) { (void)file; }
    // Per-folder features (duplicates, quick clean) take the folder and return true.
    virtual bool handleFolder(const WalkFolder& folder)
    {
        (void)folder;
        return false;
    }
    // A folder that could not be read: it lists nothing and the walk goes on.
    virtual void folderError(const QByteArray& path, int errnoValue)
    {
        (void)path;
        (void)errnoValue;
    }
    // Time to show the feature's running figures (about 30 times a second, and once at the end).
    virtual void showProgress() {}
};

// What a walk needs of the window it runs in.
class WalkScreen
{
public:
    virtual ~WalkScreen() = default;
    // The path on the status line; the screen paints it when it is due (and keeps the last).
    virtual void showStatusPath(const QByteArray& path) = 0;
    // Paints whatever the status line still owes (at the end of a walk).
    virtual void flushStatus() = 0;
    virtual void appendFlood(int blocks) = 0;
    // One event-loop pass, unless one ran a moment ago.
    virtual void yieldToEvents() = 0;
    // The screen mouse pointer (1 arrow, 11 hourglass).
    virtual void setPointer(int pointer) = 0;
};

// A rate limit on a millisecond clock: due() is true once every interval. The clock can be
// replaced, so a test can decide exactly when a run turns the event loop.
class Pacer
{
public:
    using Clock = std::function<std::int64_t()>;
    explicit Pacer(std::int64_t intervalMs, Clock clock = {});
    // True (and restarts the interval) when the interval has passed.
    bool due();
    void restart();

private:
    std::int64_t m_interval;
    Clock m_clock;
    std::int64_t m_last = 0;
};

// The walk every feature runs: sets SearchState to Running, clears StopRequested, starts the
// progress strip's count, walks, and leaves SearchState at Ended at every end.
WalkResult driveWalk(AppState& program, RunValues& run, const WalkOptions& options, FeatureHooks& feature,
                     WalkScreen& screen);

} // namespace bv
