// SPDX-License-Identifier: GPL-3.0-or-later
// One cluster overhang search: the walk over a drive that accounts every file in an
// OverhangTally (disk/overhang.h). It deletes nothing. The window, a benchmark or a test gives it
// the drive and a RunUser; the run does the rest:
//
//   prepare()  reads the drive's geometry: a drive that does not answer, reports no cluster size
//              or whose root cannot be resolved is told once ("You do not have enough available
//              memory ...", as this search always said) and nothing runs;
//   walk()     every file and folder of the drive's own file system, hidden ones too, never a
//              trash folder; each listed file is accounted by its lstat, a file that vanished
//              since the listing adds nothing;
//   finish()   "Done." on the status line, and a walk that could not be completed is told: its
//              figures cover only the files before the failure.
//
// The figures: files scanned is FilesMatched of the run's own RunValues, the sizes are the
// tally's. RunUser::showFigures is called at the status line's pace during the walk and once at
// its end, so the last values are always shown.
#pragma once

#include "common/appstate.h"
#include "common/runuser.h"
#include "disk/overhang.h"
#include "platform/diskgeometry.h"

#include <QByteArray>

namespace bv {

class OverhangRun
{
public:
    // The run's user and program values outlive it.
    OverhangRun(AppState& program, RunUser& user, DiskGeometrySource& geometry = systemDiskGeometry());

    bool prepare(const QByteArray& drive);
    // Returns how the walk ended. Call only after prepare() returned true.
    WalkResult walk();
    void finish();

    const OverhangTally& tally() const { return m_tally; }
    const RunValues& figures() const { return m_figures; }

private:
    class Hooks;

    AppState& m_program;
    RunUser& m_user;
    DiskGeometrySource& m_geometry;
    QByteArray m_start;
    OverhangTally m_tally;
    RunValues m_figures;
    WalkResult m_result;
};

} // namespace bv
