#include "cli/cliuser.h"
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "common/walkdriver.h"
#include "disk/diskspace.h"
#include "disk/overhang.h"
#include "platform/diskgeometry.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "platform/volumes.h"

#include <cmath>

namespace bv::cli {

std::optional<Volume> chosenDrive(const QByteArray& place, Printer& printer)
{
    const std::optional<Volume> volume = place.isEmpty() ? currentVolume() : volumeOf(place);
    if (!volume)
        printer.problem(place.isEmpty() ? QStringLiteral("the current folder is on no drive")
                                        : QStringLiteral("no drive holds %1").arg(QString::fromUtf8(listingName(place))));
    return volume;
}

int runSpace(const Options& options, Printer& printer)
{
    const std::optional<Volume> drive = chosenDrive(options.place, printer);
    if (!drive)
        return ExitCannotStart;
    const std::optional<DiskGeometry> geometry = systemDiskGeometry().query(drive->mountPoint);
    if (!geometry) {
        printer.problem(QStringLiteral("the drive %1 does not tell its size").arg(QString::fromUtf8(listingName(drive->mountPoint))));
        return ExitCannotStart;
    }
    const DriveSpaceReport report = driveSpaceReport(*geometry);
    // Rounded as the window rounds it (half away from zero); an empty volume reads 0.
    const std::int64_t usedPercent =
        report.totalBytes == 0 ? 0 : std::llround(double(report.usedBytes) * 100.0 / double(report.totalBytes));
    printer.summary(QStringLiteral("space"),
                    {{"drive", drive->mountPoint},
                     {"total_bytes", std::int64_t(report.totalBytes)},
                     {"free_bytes", std::int64_t(report.freeBytes)},
                     {"used_bytes", std::int64_t(report.usedBytes)},
                     {"used_percent", usedPercent},
                     {"bytes_per_sector", std::int64_t(geometry->bytesPerSector)},
                     {"sectors_per_cluster", std::int64_t(geometry->sectorsPerCluster)},
                     {"total_clusters", std::int64_t(geometry->totalClusters)},
                     {"read_only", geometry->readOnly}});
    return printer.outputFailed() ? ExitSomeNotRemoved : ExitDone;
}

namespace {

class OverhangHooks : public FeatureHooks
{
public:
    OverhangHooks(OverhangTally& tally, CommandLineUser& user, RunValues& run) : m_tally(tally), m_user(user), m_run(run)
    {
    }
    // The walk's own lstat; a file that vanished since the listing has none and adds nothing.
    void file(const WalkFile& file) override
    {
        if (file.info)
            m_tally.add(*file.info);
    }
    void showProgress() override { m_user.showFigures(m_run); }

private:
    OverhangTally& m_tally;
    CommandLineUser& m_user;
    RunValues& m_run;
};

} // namespace

int runOverhang(const Options& options, Printer& printer)
{
    const std::optional<Volume> drive = chosenDrive(options.place, printer);
    if (!drive)
        return ExitCannotStart;
    const std::optional<DiskGeometry> geometry = systemDiskGeometry().query(drive->mountPoint);
    const QByteArray start = resolveFolder(drive->mountPoint);
    if (!geometry || geometry->clusterSize() == 0 || start.isEmpty()) {
        printer.problem(QStringLiteral("the drive %1 does not tell its cluster size")
                            .arg(QString::fromUtf8(listingName(drive->mountPoint))));
        return ExitCannotStart;
    }
    AppState program;
    RunValues run;
    CommandLineUser user(program, printer);
    user.figuresText = [](const RunValues& r) { return QStringLiteral("%1 files scanned").arg(r.FilesMatched); };
    OverhangTally tally(geometry->clusterSize());
    // Every file and folder, hidden ones too; the walk stays on the drive's own file system.
    WalkOptions walk;
    walk.start = start;
    walk.files = FileClass::All;
    walk.dirs = DirClass::All;
    walk.statFiles = true;
    OverhangHooks hooks(tally, user, run);
    const WalkResult result = driveWalk(program, run, walk, hooks, user.walkScreen());
    printer.clearProgress();

    const WastedShare share = tally.share();
    const bool complete = result.end == WalkEnd::Complete;
    printer.summary(QStringLiteral("overhang"), {{"drive", drive->mountPoint},
                                                 {"files_scanned", run.FilesMatched},
                                                 {"total_file_sizes", std::int64_t(tally.totalFileSizes())},
                                                 {"actual_space_used", std::int64_t(tally.actualSpaceUsed())},
                                                 {"total_wasted", std::int64_t(tally.totalWasted())},
                                                 {"wasted_percent", std::int64_t(share.wastedPercent)},
                                                 {"cluster_size", std::int64_t(tally.clusterSize())},
                                                 {"complete", complete}});
    if (stopSignal() != 0)
        return exitForSignal(stopSignal());
    if (result.end == WalkEnd::Error) {
        // The figures cover only the files before the failure: say so rather than pass them off
        // as the whole drive's.
        printer.problem(QStringLiteral("the search could not be completed: %1 The files after that point were not counted.")
                            .arg(result.reason));
        return ExitSomeNotRemoved;
    }
    return printer.outputFailed() ? ExitSomeNotRemoved : ExitDone;
}

} // namespace bv::cli
