// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/walkdriver.h"

#include "common/format.h"
#include "platform/clock.h"
#include "platform/messages.h"

namespace bv {

namespace {

constexpr std::int64_t kProgressEveryMs = 33; // about 30 repaints a second

// Adapts a feature's hooks to the walk, adding what every walk shows.
class DriveHooks : public WalkHooks
{
public:
    DriveHooks(AppState& program, RunValues& run, FeatureHooks& feature, WalkScreen& screen)
        : m_program(program), m_run(run), m_feature(feature), m_screen(screen), m_progress(kProgressEveryMs)
    {
    }

    bool stopRequested() override { return m_program.StopRequested; }
    void yield() override { m_screen.yieldToEvents(); }

    void started(int topLevelFolders) override
    {
        // The listing count includes the list's own end, as the step has always been computed.
        m_run.ProgressStep = int(bankersDivide(std::int64_t(topLevelFolders) + 1, 11));
        m_run.TopLevelSeen = 0;
    }

    void folderEntered(const WalkFolder& folder) override
    {
        if (folder.depth == 1) {
            ++m_run.TopLevelSeen;
            // ">=" and not "==": a count that ever passed the step must still move the bar.
            if (m_run.ProgressStep > 0 && m_run.TopLevelSeen >= m_run.ProgressStep) {
                m_run.TopLevelSeen = 0;
                m_screen.appendFlood(1);
            }
        }
        m_screen.showStatusPath(folder.path);
    }

    bool handleFolder(const WalkFolder& folder) override
    {
        const bool taken = m_feature.handleFolder(folder);
        if (taken && m_progress.due())
            m_feature.showProgress();
        return taken;
    }

    void file(const WalkFile& file) override
    {
        m_screen.showStatusPath(file.path);
        m_screen.yieldToEvents();
        m_feature.file(file);
        ++m_run.FilesMatched;
        if (m_progress.due())
            m_feature.showProgress();
        m_screen.yieldToEvents();
    }

    void folderError(const QByteArray& path, int errnoValue) override { m_feature.folderError(path, errnoValue); }

private:
    AppState& m_program;
    RunValues& m_run;
    FeatureHooks& m_feature;
    WalkScreen& m_screen;
    Pacer m_progress;
};

} // namespace

Pacer::Pacer(std::int64_t intervalMs, Clock clock) : m_interval(intervalMs), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = monotonicMs;
    m_last = m_clock();
}

bool Pacer::due()
{
    const std::int64_t now = m_clock();
    if (now - m_last < m_interval)
        return false;
    m_last = now;
    return true;
}

void Pacer::restart()
{
    m_last = m_clock();
}

WalkResult driveWalk(AppState& program, RunValues& run, const WalkOptions& options, FeatureHooks& feature,
                     WalkScreen& screen)
{
    DriveHooks drive(program, run, feature, screen);
    program.StopRequested = false;
    screen.setPointer(kHourglassPointer);
    program.SearchState = SearchState::Running;
    WalkResult result = walkTree(options, drive);
    program.SearchState = SearchState::Ended;
    screen.flushStatus();
    feature.showProgress();
    return result;
}

} // namespace bv
