// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/overhangrun.h"

#include "common/format.h"
#include "common/recordedremoval.h"
#include "common/walkdriver.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace bv {

// The run's side of the walk: every listed file goes to the tally, and the figures are shown
// when the walk driver says it is time.
class OverhangRun::Hooks : public FeatureHooks
{
public:
    explicit Hooks(OverhangRun& run) : m_run(run) {}
    void file(const WalkFile& file) override
    {
        // The walk's own lstat; a file that vanished since the listing has none and adds nothing.
        if (file.info)
            m_run.m_tally.add(*file.info);
    }
    void showProgress() override { m_run.m_user.showFigures(m_run.m_figures); }

private:
    OverhangRun& m_run;
};

OverhangRun::OverhangRun(AppState& program, RunUser& user, DiskGeometrySource& geometry)
    : m_program(program), m_user(user), m_geometry(geometry)
{
}

bool OverhangRun::prepare(const QByteArray& drive)
{
    const std::optional<DiskGeometry> geometry = m_geometry.query(drive);
    m_start = resolveFolder(drive);
    if (!geometry || geometry->clusterSize() == 0 || m_start.isEmpty()) {
        m_user.tell(notEnoughMemoryText(), MsgExclamation);
        return false;
    }
    m_tally = OverhangTally(geometry->clusterSize());
    // The files scanned are counted from this search's first file, whatever ran before it.
    m_figures = RunValues{};
    return true;
}

WalkResult OverhangRun::walk()
{
    // Every file and folder, hidden ones too; the walk stays on the drive's own file system.
    WalkOptions options;
    options.start = m_start;
    options.files = FileClass::All;
    options.dirs = DirClass::All;
    options.statFiles = true;
    Hooks hooks(*this);
    m_result = driveWalk(m_program, m_figures, options, hooks, m_user.walkScreen());
    return m_result;
}

void OverhangRun::finish()
{
    m_user.showStatus(QStringLiteral("Done."));
    if (m_result.end == WalkEnd::Error) {
        // The figures cover only the files before the failure: say so rather than present them
        // as the whole drive's.
        m_user.tell(QStringLiteral("The search could not be completed: %1 The files after that point were not counted.")
                        .arg(endSentence(m_result.reason)),
                    MsgExclamation);
    }
}

} // namespace bv
