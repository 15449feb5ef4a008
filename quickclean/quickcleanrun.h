// SPDX-License-Identifier: GPL-3.0-or-later
// One Quick Clean run: the pass over a drive that removes, or as a sample run only counts, the
// files the rules of quickclean/quickclean.h take. The window, a benchmark or a test gives it
// its options and a RunUser; the run does everything else.
//
// A run goes in three steps, so that the window can show itself busy only once there is
// something to run:
//
//   prepare()  what must hold before anything is removed, each told once through the RunUser:
//              a volume that is not read-only, a usable trash when files go there, a readable
//              table of the files in use; and a real run that deletes instead of recycling asks
//              once whether to go on (No starts nothing). False: nothing ran.
//   walk()     the one walk over the drive. Every folder is listed again by the selector, and
//              each file it takes is counted (sample run) or removed through the recorded
//              removal, which checks the file once more right before acting. A file a program
//              uses is never removed: "Could not remove: <file>".
//   finish()   the last figures, "Done." on the status line, and what the user must know about
//              the run as a whole (a walk that could not be completed, files that stayed because
//              their folder cannot be changed).
//
// The figures are a RunValues of the run's own: FilesRemoved and BytesReclaimed hold the files
// removed (a sample run: found) and their bytes. They are shown through RunUser::showFigures at
// the status line's pace and once at the end.
//
// The record. When the run is given a log, it writes, in the working log's format:
//
//   This search was made on <date>
//   Quick Clean of the following location: <drive>
//   Files of type(s): <the ticked patterns, two blanks apart, or "(none)">
//   Search Options:
//      Files in the temporary folder (<folder>)      only when ticked
//      Temporary Internet Files                       only when ticked
//      Send Files to the Recycle Bin | Delete Files Permanently
//      Sample Run                                     only when ticked
//   <blank>
//   then per file the run acts on or counts: its path, "...File Size is  <n> Bytes", the ACTION
//   line (common/wording.h) and a blank line; the block is on disk before the file is touched;
//   then the totals: "Files removed:  <n>" and "Bytes reclaimed:  <n>" ("Files found:" and
//   "Total bytes:" for a sample run).
//
// No log (null) keeps no record, as the window always has. A log that cannot be written stops
// the run before its next removal (common/recordedremoval.h).
//
// Files in use: the table of running programs' files is read in prepare(), again whenever it
// is a second old (so also after any message box or question that held the run), and the
// kernel is asked about each file right before its removal (platform/inuse.h).
#pragma once

#include "common/appstate.h"
#include "common/runuser.h"
#include "quickclean/quickclean.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace bv {

class SearchLog;

struct QuickCleanOptions
{
    QByteArray drive;      // the root of the drive to clean
    QByteArray tempFolder; // the temporary folder the run empties ("" when there is none)
    QuickCleanChoices choices;
};

// Asked before a real run that deletes instead of recycling.
QString deleteWithoutTrashQuestion();

class QuickCleanRun
{
public:
    // `log` may be null: no record is kept. The run's user, program values and log outlive it.
    QuickCleanRun(AppState& program, RunUser& user, SearchLog* log = nullptr);
    ~QuickCleanRun();

    // The runner, home folder and clock are the system's unless given here (tests, and a run
    // as another user).
    void setRunner(uid_t runner, const QByteArray& home);

    bool prepare(const QuickCleanOptions& options);
    // Returns how the walk ended. Call only after prepare() returned true.
    WalkResult walk();
    void finish();

    // prepare(), walk() and finish() in a row, for a caller without a window. False when
    // nothing ran.
    bool run(const QuickCleanOptions& options);

    const RunValues& figures() const { return m_figures; }
    std::int64_t lockedFiles() const;

private:
    class Driver;

    bool writeHeader();
    void writeTotals();

    AppState& m_program;
    RunUser& m_user;
    SearchLog* m_log;
    SearchLog m_historyLog; // a real run's record in the run history, when no log was given
    QuickCleanOptions m_options;
    std::optional<std::pair<uid_t, QByteArray>> m_runner;
    FilesInUse m_inUse;
    RunValues m_figures;
    WalkResult m_result;
    std::unique_ptr<Driver> m_driver;
};

} // namespace bv
