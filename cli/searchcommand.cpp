// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliuser.h"
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "cli/reportingfileops.h"
#include "cli/workingfolder.h"
#include "common/recordedremoval.h"
#include "platform/appfolder.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "search/filesearchrun.h"

namespace bv::cli {

namespace {

// The criteria of the command line, as the panel's entries would give them.
FileSearchCriteria criteriaFrom(const Options& o, const QByteArray& folder)
{
    FileSearchCriteria c;
    const QList<QByteArray> patterns = o.patterns.isEmpty() ? QList<QByteArray>{"*.*"} : o.patterns;
    c.pattern0 = QString::fromLocal8Bit(patterns.at(0));
    c.pattern1 = patterns.size() > 1 ? QString::fromLocal8Bit(patterns.at(1)) : QString();
    const QStringList& instructions = instructionItems();
    switch (o.dateTest) {
    case DateTest::UsedSince:
        c.criterion = Criterion::HaveBeenUsed;
        break;
    case DateTest::UnusedSince:
    case DateTest::None:
        c.criterion = Criterion::HaventBeenUsed;
        break;
    case DateTest::ChangedOn:
        c.criterion = Criterion::ModifiedOrCreated;
        break;
    }
    c.instruction = instructions.at(int(c.criterion));
    c.sinceText = c.criterion == Criterion::ModifiedOrCreated ? QStringLiteral("on") : QStringLiteral("since");
    if (o.dateTest == DateTest::None) {
        // No date test: every file passes, as "not used since" the last day there is.
        c.limit = QDate(9999, 12, 31);
        c.dateText = c.limit.toString(Qt::ISODate);
    } else {
        c.limit = o.date;
        c.dateText = o.dateText;
    }
    c.minSize = o.minSize;
    c.bytesText = o.minSize > 0 ? QString::number(o.minSize) : QString();
    c.recycle = o.disposal != Disposal::Delete;
    // A dry run puts every match to the command line, which leaves it in place; a run that
    // removes does so unattended, as the panel does without the verification window.
    c.verify = o.disposal == Disposal::List;
    c.ignoreHidden = !o.includeHidden;
    c.ignoreHiddenDirs = !o.includeHidden;
    c.folder = folder;
    c.locale = QLocale();
    return c;
}

} // namespace

int runSearch(const Options& options, Printer& printer)
{
    const QByteArray folder = resolveFolder(options.place);
    if (folder.isEmpty()) {
        printer.problem(QStringLiteral("%1 is not a folder").arg(QString::fromUtf8(listingName(options.place))));
        return ExitCannotStart;
    }
    const bool acting = options.disposal != Disposal::List;
    if (options.disposal == Disposal::Trash) {
        QString why;
        if (!fileOps().canTrashAt(folder, &why)) {
            printer.problem(trashUnavailableText(displayPath(folder), why));
            return ExitCannotStart;
        }
    }
    if (!confirmDeletion(options, printer))
        return ExitCannotStart;
    QString why;
    const QByteArray appFolder = prepareAppFolder(&why);
    if (appFolder.isEmpty()) {
        printer.problem(QStringLiteral("the data folder cannot be made: %1; nothing was removed").arg(why));
        return ExitCannotStart;
    }
    const WorkingFolder working(appFolder);
    if (!working.ok()) {
        printer.problem(QStringLiteral("the folder of the log cannot be made in %1; nothing was removed")
                            .arg(QString::fromUtf8(listingName(appFolder))));
        return ExitCannotStart;
    }

    AppState program;
    program.AppFolder = working.path();
    RunValues values;
    CommandLineUser user(program, printer);
    // The one question (deleting past the Trash, no look at each file) was the command line's.
    user.answer = true;
    user.figuresText = [](const RunValues& r) {
        return QStringLiteral("%1 files looked at, %2 removed").arg(r.FilesMatched).arg(r.FilesRemoved);
    };
    // A run that removes keeps its log in the run history of the real data folder (the working
    // log lives in a folder of this process's own); a listing removes nothing and keeps none.
    if (acting)
        program.HistoryFolder = appFolder;
    std::int64_t notRemoved = 0;
    user.onFile = [&](const VerifyItem& item, FileActions& actions) {
        printer.file({item.path, item.info.size, item.info.atime, item.info.mtime, FileOutcome::Listed, {}});
        return FileDecision{FileChoice::Ignore, ActOutcome::NotTouched, actions.ignore()};
    };
    ReportingFileOps reporter(printEachAct(printer, user, notRemoved));

    FileSearchRun run(criteriaFrom(options, folder), program, values, user, &user);
    const FileSearchRun::Outcome outcome = run.run();
    printer.clearProgress();
    if (outcome != FileSearchRun::Outcome::Ran)
        return ExitCannotStart;
    const bool logFailed = program.Log.failed();
    bool logCopied = true;
    if (!options.logFile.isEmpty() && !copyLog(working.log(), options.logFile, &why)) {
        printer.problem(QStringLiteral("the log could not be written to %1: %2")
                            .arg(QString::fromUtf8(listingName(options.logFile)), why));
        logCopied = false;
    }
    const WalkEnd end = run.walkResult().end;
    printer.summary(QStringLiteral("search"), {{"folder", run.criteria().folder},
                                               {"files_matched", values.FilesMatched},
                                               {"files_removed", values.FilesRemoved},
                                               {"bytes_reclaimed", values.BytesReclaimed},
                                               {"not_removed", notRemoved},
                                               {"complete", end == WalkEnd::Complete && !logFailed},
                                               {"history", program.Log.historyPath()}});
    if (stopSignal() != 0)
        return exitForSignal(stopSignal());
    if (notRemoved > 0 || end != WalkEnd::Complete || logFailed || !logCopied || printer.outputFailed())
        return ExitSomeNotRemoved;
    return ExitDone;
}

} // namespace bv::cli
