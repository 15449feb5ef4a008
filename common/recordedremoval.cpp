// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/recordedremoval.h"

#include "platform/fileops.h"
#include "platform/messages.h"

#include <cstring>
#include "platform/paths.h"

namespace bv {

QList<QByteArray> unreadableFolderRecord(const QByteArray& path, int errnoValue)
{
    return {QByteArray("Could not read the folder ") + path + " (" + QByteArray(std::strerror(errnoValue)) + ")",
            QByteArray()};
}

QString notEnoughMemoryText()
{
    return QStringLiteral("You do not have enough available memory to use this function. If other windows are "
                          "currently open, close them and try again");
}

QString logFailureText(const QString& reason)
{
    return QStringLiteral("The search log could not be written (%1). Nothing more will be removed and the search "
                          "will stop.")
        .arg(reason);
}

QString trashUnavailableText(const QString& shownFolder, const QString& why)
{
    // The reason stands in brackets inside a sentence: its own full stop would be one too many.
    QString reason = why;
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return QStringLiteral("Files in %1 cannot be sent to the Recycle Bin (%2). Nothing was removed. To remove them, "
                          "clear the Recycle Bin option so that they are deleted instead.")
        .arg(shownFolder, reason);
}

bool trashUsableAt(const QByteArray& folder)
{
    QString why;
    if (folder.isEmpty() || fileOps().canTrashAt(folder, &why))
        return true;
    msgBox(trashUnavailableText(displayPath(folder), why), MsgExclamation);
    return false;
}

void stopForLogFailure(SearchLog& log, AppState& program, RunValues& run)
{
    program.StopRequested = true;
    if (run.toldLogFailure)
        return;
    run.toldLogFailure = true;
    msgBox(logFailureText(log.error()), MsgCritical);
}

bool writeRecord(SearchLog& log, const QList<QByteArray>& lines, AppState& program, RunValues& run)
{
    const bool ok = !log.failed() && log.writeLines(lines);
    if (!ok)
        stopForLogFailure(log, program, run);
    return ok;
}

RemovalRecord removeWithRecord(const RecordedRemoval& request, SearchLog* log, AppState& program, RunValues& run)
{
    RemovalRecord record;
    auto write = [&](const QList<QByteArray>& lines) {
        return log == nullptr || writeRecord(*log, lines, program, run);
    };
    const bool moving = request.action == RemovalAction::Move;

    // Nothing is touched unless its record can start: with a failed log the run is stopping.
    if (log && log->failed()) {
        stopForLogFailure(*log, program, run);
        return record;
    }
    if (!moving && !write(request.block))
        return record;

    const ActResult done = moving
                               ? moveListedFile(request.path, request.listed, request.destFolder)
                               : removeListedFile(request.path, request.listed, request.action == RemovalAction::Trash);
    record.outcome = done.outcome;
    record.reason = done.reason;
    const QByteArray line = actionLine(request.action, record.outcome, request.decidedBy, request.destFolder);

    if (record.outcome == ActOutcome::Done && !moving) {
        // Only bytes that really left the disk's folders are counted.
        run.BytesReclaimed += request.listed.size;
        ++run.FilesRemoved;
    }

    if (moving) {
        // A refused move leaves no record: the file is where it was and still to be decided.
        record.logged = line.isEmpty() || write(request.block + QList<QByteArray>{line, {}});
    } else {
        record.logged = line.isEmpty() || write({line, {}});
    }
    return record;
}

} // namespace bv
