// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliuser.h"
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "disk/diskspace.h"
#include "disk/overhangrun.h"
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
        printer.problem(place.isEmpty()
                            ? QStringLiteral("the current folder is on no drive")
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
        printer.problem(QStringLiteral("the drive %1 does not tell its size")
                            .arg(QString::fromUtf8(listingName(drive->mountPoint))));
        return ExitCannotStart;
    }
    const DriveSpaceReport report = driveSpaceReport(*geometry);
    // Rounded as the window rounds it (half away from zero); an empty volume reads 0.
    const std::int64_t usedPercent =
        report.totalBytes == 0 ? 0 : std::llround(double(report.usedBytes) * 100.0 / double(report.totalBytes));
    printer.summary(QStringLiteral("space"), {{"drive", drive->mountPoint},
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

int runOverhang(const Options& options, Printer& printer)
{
    const std::optional<Volume> drive = chosenDrive(options.place, printer);
    if (!drive)
        return ExitCannotStart;
    AppState program;
    CommandLineUser user(program, printer);
    user.figuresText = [](const RunValues& r) { return QStringLiteral("%1 files scanned").arg(r.FilesMatched); };
    OverhangRun run(program, user);
    if (!run.prepare(drive->mountPoint))
        return ExitCannotStart;
    const WalkResult result = run.walk();
    run.finish();
    printer.clearProgress();

    const OverhangTally& tally = run.tally();
    printer.summary(QStringLiteral("overhang"), {{"drive", drive->mountPoint},
                                                 {"files_scanned", run.figures().FilesMatched},
                                                 {"total_file_sizes", std::int64_t(tally.totalFileSizes())},
                                                 {"actual_space_used", std::int64_t(tally.actualSpaceUsed())},
                                                 {"total_wasted", std::int64_t(tally.totalWasted())},
                                                 {"wasted_percent", std::int64_t(tally.share().wastedPercent)},
                                                 {"cluster_size", std::int64_t(tally.clusterSize())},
                                                 {"complete", result.end == WalkEnd::Complete}});
    if (stopSignal() != 0)
        return exitForSignal(stopSignal());
    // A walk that failed was told by the run: its figures cover only the files before the failure.
    if (result.end != WalkEnd::Complete || printer.outputFailed())
        return ExitSomeNotRemoved;
    return ExitDone;
}

} // namespace bv::cli
