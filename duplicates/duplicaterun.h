// SPDX-License-Identifier: GPL-3.0-or-later
// One duplicate search, from Begin to its totals, without a window.
//
// A run checks the entries (a pattern, the start folder, the trash), opens the working log and
// writes its header, walks the tree entering every matching file into a DuplicateStore (names
// and folders only), groups the names, and puts each group to the user: its rows are read afresh
// (duplicates/rowvalues.h), their blocks go to the log, the reviewer shows them and the user's
// decisions come back through the group's actions, which carry them out through the recorded
// removal. A group whose files vanished meanwhile down to one is not shown; a group of
// installation files is logged but not shown when the run says so. Last come the totals.
//
// The user is reached only through RunUser (messages, questions, figures, status line, the walk's
// screen) and the reviewer: the duplicate review window, or HeadlessUser for tests and
// measurements, which drive this very run.
//
// A large group opens before all of its rows are read: a reviewer that can show rows as they
// come (a DuplicateReviewer) is handed the rows in sight and reads the rest through the group's
// actions while the user looks; each row's block is logged as the row is handed over, so the log
// holds the group in discovery order, and every way of leaving a group first takes what is left.
// Any other GroupReviewer gets the group whole.
//
// The activity state goes Running while the walk runs, Ended when it has ended, Reviewing while
// the groups are shown, and Finished when the run is over.
#pragma once

#include "common/runuser.h"
#include "duplicates/dupgroups.h"
#include "duplicates/dupsearch.h"
#include "duplicates/rowvalues.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <span>
#include <vector>

namespace bv {

// The panel's entries at Begin.
struct DuplicateRunOptions
{
    DupSearchEntries entries;
    // The folder the user picked (or the list's folder, when none was picked and the default is
    // accepted): the run searches it as resolved, and the log names the resolved folder.
    QByteArray folder;
    bool folderChosen = false; // false: the user is asked whether the default will do
};

// The group in question, as the review window needs it beyond GroupActions: its rows still being
// read, handed over in discovery order, each logged as it goes.
class DuplicateGroupActions : public GroupActions
{
public:
    // Rows of the group not yet handed over (the most that are still to come).
    virtual std::size_t rowsToCome() const = 0;
    // Starts reading them on helper threads; `ready` is called on a helper thread whenever more
    // are ready to take.
    virtual void readRest(std::function<void()> ready) = 0;
    // Appends the rows read since the last call to `rows` (all that are left when `all`, read now
    // if need be), their blocks logged. False when the log could not take them: the run has been
    // told to stop.
    virtual bool takeRows(std::vector<ReviewRow>& rows, bool all) = 0;
};

// A reviewer that shows a group while its rows are still being read.
class DuplicateReviewer : public GroupReviewer
{
public:
    // How many rows it shows at once: what is read before the group is shown.
    virtual int rowsInSight() const = 0;
    // As review(), with the first rows read and the rest to take through `actions`.
    virtual void reviewGroup(std::span<const ReviewRow> first, DuplicateGroupActions& actions) = 0;
};

// The actions on one group: the rows handed to the reviewer and what the user's word does to
// their files. A row is known by its place in the group (the order rows were handed over).
class DuplicateGroup final : public DuplicateGroupActions
{
public:
    DuplicateGroup(AppState& program, RunValues& run, RunUser& user, bool recycle);

    // Rows read already, logged now. False when the log could not take them.
    bool add(std::vector<ReviewRow> rows);
    // The rest of the group, still to be read; it must outlive the group's review.
    void readFrom(GroupRowReader& rest) { m_rest = &rest; }
    // Reads and logs whatever is left: every file is in the log before the group ends.
    bool finish();
    // Rows handed over so far: the files the group counts as checked.
    std::size_t rowCount() const { return m_rows.size(); }
    std::span<const ReviewRow> rows() const { return m_rows; }

    // What Abort does (the run's Cancel).
    std::function<void()> onAbort;

    // GroupActions
    RemovalRecord remove(int row) override;
    RemovalRecord move(int row, const QByteArray& folder) override;
    bool reread(int row, ReviewRow& now) override;
    void abort() override;
    // DuplicateGroupActions
    std::size_t rowsToCome() const override;
    void readRest(std::function<void()> ready) override;
    bool takeRows(std::vector<ReviewRow>& rows, bool all) override;

private:
    bool log(std::span<const ReviewRow> rows);
    bool valid(int row) const { return row >= 0 && std::size_t(row) < m_rows.size(); }

    AppState& m_program;
    RunValues& m_run;
    RunUser& m_user;
    bool m_recycle;
    std::vector<ReviewRow> m_rows;
    GroupRowReader* m_rest = nullptr;
};

class DuplicateRun
{
public:
    // How Begin went.
    enum class Start : std::uint8_t {
        Started,
        NoPattern, // told; the first pattern box is where the user goes next
        Declined,  // the user said no, or was told why it cannot start: nothing was searched
    };

    DuplicateRun(AppState& program, RunValues& run, RunUser& user, GroupReviewer& reviewer);
    DuplicateRun(AppState& program, RunValues& run, RunUser& user, DuplicateReviewer& reviewer);

    // The entries' own checks, in the order the user meets them: a pattern, then the default
    // folder when none was picked. Nothing is opened.
    Start checkEntries(const DuplicateRunOptions& options);
    // The trash check, the counters reset, the log opened and its header written. Declined: the
    // user has been told and the log is closed again.
    Start begin(const DuplicateRunOptions& options);
    // The walk, the review of every group and the totals; the log is closed at the end.
    void run();

    // The run's Cancel (the panel's, or the review window's Abort): asks, and on Yes records the
    // abort and stops the run. True when the user confirmed.
    bool cancel();

    // What the panel changes when the walk ends and when the run is over (the progress strip,
    // the pointer, its buttons). Optional.
    std::function<void()> walkEnded;
    std::function<void()> finished;
    // For measurements: asked about each group (its number of files) before its files are read;
    // true passes it over as a user pressing Continue without looking would (nothing read, shown
    // or logged; its files count as checked).
    std::function<bool(std::size_t files)> passOver;

    const DuplicateStore& store() const { return m_store; }
    // Gives back the memory of the last run's list.
    void clear() { m_store.clear(); }

private:
    class Collect;

    void reviewGroups();
    bool writeLog(const QList<QByteArray>& lines);
    void storeFull();

    AppState& m_program;
    RunValues& m_run;
    RunUser& m_user;
    GroupReviewer& m_reviewer;
    DuplicateReviewer* m_progressive = nullptr;
    DuplicateRunOptions m_options;
    DuplicateStore m_store;
    bool m_outOfMemory = false;
};

} // namespace bv
