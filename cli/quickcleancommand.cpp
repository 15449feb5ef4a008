// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliuser.h"
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "cli/reportingfileops.h"
#include "cli/runlog.h"
#include "common/wording.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "platform/users.h"
#include "platform/volumes.h"
#include "quickclean/quickcleanrun.h"

namespace bv::cli {

namespace {

QuickCleanChoices choicesFrom(const Options& o)
{
    QuickCleanChoices c;
    // Nothing chosen: what the window starts with (the temporary folder).
    if (o.typesGiven || o.tempFolder || o.browserCache) {
        c.tmpFiles = o.tmpFiles;
        c.bakFiles = o.bakFiles;
        c.ftsFiles = o.ftsFiles;
        c.dollarFiles = o.dollarFiles;
        c.tempFolder = o.tempFolder;
        c.browserCache = o.browserCache;
    }
    c.recycle = o.disposal != Disposal::Delete;
    c.sample = o.disposal == Disposal::List;
    return c;
}

} // namespace

int runQuickClean(const Options& options, Printer& printer)
{
    const std::optional<Volume> drive = chosenDrive(options.place, printer);
    if (!drive)
        return ExitCannotStart;
    const QuickCleanChoices choices = choicesFrom(options);
    const bool acting = !choices.sample;
    if (!confirmDeletion(options, printer))
        return ExitCannotStart;

    // The dry run lists what it counts from its log, so it needs one even without --log.
    RunLog runLog;
    QString problem;
    if (!runLog.open(options, RunFeature::QuickClean, acting, true, &problem)) {
        printer.problem(problem + QStringLiteral("; nothing was removed"));
        return ExitCannotStart;
    }
    AppState program;
    program.AppFolder = runLog.appFolder();
    CommandLineUser user(program, printer);
    // The one question of a real run (deleting past the Trash) was the command line's to answer.
    user.answer = true;
    user.figuresText = [&choices](const RunValues& r) {
        return QStringLiteral("%1 files %2").arg(r.FilesRemoved).arg(choices.sample ? "found" : "removed");
    };

    std::int64_t notRemoved = 0;
    ReportingFileOps reporter(printEachAct(printer, user, notRemoved));
    // What the run counts (a dry run) or leaves in use is in its log only: the listing follows it.
    LogFollower follower(runLog.path(), [&](const LogFollower::Block& block) {
        const QByteArray& action = block.lines.last();
        const bool inUse = action == inUseLine();
        if (action != sampleRunLine() && !inUse)
            return;
        FileInfo info;
        lstatListed(block.path, info);
        printer.file(
            {block.path, info.size, info.atime, info.mtime, inUse ? FileOutcome::InUse : FileOutcome::Listed, {}});
        if (inUse)
            ++notRemoved;
    });
    user.onPace = [&follower] { follower.poll(); };

    QuickCleanRun run(program, user, runLog.log());
    if (!run.prepare({drive->mountPoint, systemTempFolder(), choices}))
        return ExitCannotStart;
    const WalkResult result = run.walk();
    run.finish();
    follower.poll();
    printer.clearProgress();

    const RunValues& figures = run.figures();
    const bool stoppedBySignal = stopSignal() != 0;
    printer.summary(QStringLiteral("quick-clean"),
                    {{"drive", drive->mountPoint},
                     {choices.sample ? "files_found" : "files_removed", figures.FilesRemoved},
                     {"bytes", figures.BytesReclaimed},
                     {"not_removed", notRemoved},
                     {"complete", result.end == WalkEnd::Complete},
                     {"log", runLog.log() && !options.logFile.isEmpty() ? options.logFile
                             : runLog.log() && acting                   ? runLog.log()->historyPath()
                                                                        : QByteArray()}});
    if (stoppedBySignal)
        return exitForSignal(stopSignal());
    // A run cut short (its log could not be written, the walk failed) did not do all it was asked.
    if (notRemoved > 0 || result.end != WalkEnd::Complete || printer.outputFailed())
        return ExitSomeNotRemoved;
    return ExitDone;
}

} // namespace bv::cli
