// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliuser.h"
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "cli/workingfolder.h"
#include "duplicates/duplicaterun.h"
#include "platform/appfolder.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/terminal.h"

namespace bv::cli {

namespace {

// Every group as the review window shows it, read whole; nothing of it is acted on.
class GroupLister : public GroupReviewer
{
public:
    explicit GroupLister(Printer& printer) : m_printer(printer) {}
    void review(std::span<const ReviewRow> rows, GroupActions&) override
    {
        if (rows.empty())
            return;
        QList<Printer::GroupRow> shown;
        shown.reserve(qsizetype(rows.size()));
        for (const ReviewRow& row : rows)
            shown.append({row.path, row.size, row.lastAccess, row.version});
        m_printer.group(rows.front().name, shown);
        ++groups;
    }
    std::int64_t groups = 0;

private:
    Printer& m_printer;
};

} // namespace

int runDuplicates(const Options& options, Printer& printer)
{
    const QByteArray folder = resolveFolder(options.place);
    if (folder.isEmpty()) {
        printer.problem(QStringLiteral("%1 is not a folder").arg(QString::fromUtf8(listingName(options.place))));
        return ExitCannotStart;
    }
    QString why;
    const QByteArray appFolder = prepareAppFolder(&why);
    if (appFolder.isEmpty()) {
        printer.problem(QStringLiteral("the data folder cannot be made: %1").arg(why));
        return ExitCannotStart;
    }
    const WorkingFolder working(appFolder);
    if (!working.ok()) {
        printer.problem(QStringLiteral("the folder of the log cannot be made in %1")
                            .arg(QString::fromUtf8(listingName(appFolder))));
        return ExitCannotStart;
    }

    DuplicateRunOptions run;
    const QList<QByteArray> patterns = options.patterns.isEmpty() ? QList<QByteArray>{"*.*"} : options.patterns;
    run.entries.pattern2 = QString::fromLocal8Bit(patterns.at(0));
    run.entries.pattern3 = patterns.size() > 1 ? QString::fromLocal8Bit(patterns.at(1)) : QString();
    // Nothing is removed from the command line: a folder without a trash is no reason to stop.
    run.entries.recycle = fileOps().canTrashAt(folder, nullptr);
    run.entries.ignoreHiddenFiles = !options.includeHidden;
    run.entries.ignoreHiddenDirs = !options.includeHidden;
    run.folder = folder;
    run.folderChosen = true;

    AppState program;
    program.AppFolder = working.path();
    RunValues values;
    CommandLineUser user(program, printer);
    user.figuresText = [](const RunValues& r) {
        return QStringLiteral("%1 files found, %2 checked").arg(r.FilesMatched).arg(r.FilesChecked);
    };
    GroupLister lister(printer);
    DuplicateRun duplicates(program, values, user, lister);
    if (duplicates.checkEntries(run) != DuplicateRun::Start::Started ||
        duplicates.begin(run) != DuplicateRun::Start::Started)
        return ExitCannotStart;
    duplicates.run();
    printer.clearProgress();
    const bool logFailed = program.Log.failed();
    bool logCopied = true;
    if (!options.logFile.isEmpty() && !copyLog(working.log(), options.logFile, &why)) {
        printer.problem(QStringLiteral("the log could not be written to %1: %2")
                            .arg(QString::fromUtf8(listingName(options.logFile)), why));
        logCopied = false;
    }
    printer.summary(QStringLiteral("duplicates"), {{"folder", folder},
                                                   {"files_found", values.FilesMatched},
                                                   {"files_in_groups", values.FilesChecked},
                                                   {"groups", lister.groups},
                                                   {"complete", !program.StopRequested && !logFailed}});
    if (stopSignal() != 0)
        return exitForSignal(stopSignal());
    if (program.StopRequested || logFailed || !logCopied || printer.outputFailed())
        return ExitSomeNotRemoved;
    return ExitDone;
}

} // namespace bv::cli
