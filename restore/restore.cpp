// SPDX-License-Identifier: GPL-3.0-or-later
#include "restore/restore.h"

#include "common/format.h"
#include "common/searchlog.h"
#include "platform/filecontent.h"
#include "platform/paths.h"

#include <QDateTime>
#include <QSet>

#include <sys/stat.h>

namespace bv {

namespace {

constexpr char kActionPrefix[] = "ACTION: ";
// A trash record keeps whole seconds of local time; a run's lines are written around its acts.
constexpr std::int64_t kDeletionSlackMs = 2000;
// The restore's log takes the blocks of this many files with one write, and their ACTION lines
// with the next: a write per file would cost as much as the renames themselves.
constexpr int kFilesPerWrite = 64;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The log's escaping undone: "\xNN" is the byte NN (a backslash itself is written "\x5C").
QByteArray unescaped(const QByteArray& line)
{
    if (!line.contains('\\'))
        return line;
    QByteArray out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 3 < line.size() && line[i + 1] == 'x' && hexValue(line[i + 2]) >= 0 &&
            hexValue(line[i + 3]) >= 0) {
            out += char(hexValue(line[i + 2]) * 16 + hexValue(line[i + 3]));
            i += 3;
        } else {
            out += line[i];
        }
    }
    return out;
}

std::optional<std::int64_t> plainNumber(const QByteArray& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok && value >= 0 ? std::optional<std::int64_t>(value) : std::nullopt;
}

bool isPathLine(const QByteArray& line)
{
    return line.startsWith('/');
}

// The paths a restore put back (or may have: its blocks without an ACTION line, a restore killed
// between a file's block and its line).
QSet<QByteArray> putBackPaths(const QList<QByteArray>& lines)
{
    QSet<QByteArray> paths;
    QByteArray current;
    for (const QByteArray& line : lines) {
        if (isPathLine(line)) {
            if (!current.isEmpty())
                paths.insert(current);
            current = unescaped(line);
        } else if (line.startsWith(kActionPrefix) && !current.isEmpty()) {
            if (line == restoreActionLine(RestoreOutcome::PutBack) ||
                line == restoreActionLine(RestoreOutcome::MovedBack))
                paths.insert(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        paths.insert(current);
    return paths;
}

bool hasChanged(const RemovedFile& removed, const FileInfo& now)
{
    // The runs remove files and links, never folders or devices.
    if (!S_ISREG(now.mode) && !S_ISLNK(now.mode))
        return true;
    return removed.size && *removed.size != now.size;
}

QString localHeaderDate(std::int64_t ms)
{
    return logHeaderDate(QDateTime::fromMSecsSinceEpoch(ms).toLocalTime());
}

} // namespace

QList<RemovedFile> removedFilesOf(const QList<QByteArray>& logLines)
{
    QList<RemovedFile> files;
    QByteArray current;
    std::optional<std::int64_t> size;
    bool awaitingAction = false;
    for (const QByteArray& line : logLines) {
        if (isPathLine(line)) {
            current = unescaped(line);
            size.reset();
            awaitingAction = true;
            continue;
        }
        if (current.isEmpty())
            continue;
        if (line.startsWith("...File Size is ") && line.endsWith(" Bytes")) {
            size = plainNumber(line.mid(16, line.size() - 16 - 6));
        } else if (line.startsWith("   File Size:")) {
            size = plainNumber(line.mid(13)); // "1,464.8 Kb" is no exact size: left unknown
        } else if (line.startsWith(kActionPrefix)) {
            const QByteArray action = line.mid(qsizetype(sizeof(kActionPrefix) - 1));
            awaitingAction = false;
            if (action == "Recycle Bin") {
                files.append({current, RemovedHow::Trashed, {}, size});
            } else if (action == "Delete") {
                files.append({current, RemovedHow::Deleted, {}, size});
            } else if (action.startsWith("Moved (") && action.endsWith(')')) {
                const QByteArray folder = unescaped(action.mid(7, action.size() - 8));
                files.append({current, RemovedHow::Moved, joinPath(folder, baseName(current)), size});
            }
        }
    }
    // A run killed between an act and its record leaves the file's block last.
    if (awaitingAction && !current.isEmpty())
        files.append({current, RemovedHow::Interrupted, {}, size});
    return files;
}

RestoreView RestoreView::load(const QByteArray& appFolder, const QByteArray& homeTrash)
{
    RestoreView view;
    const QList<HistoryRun> runs = listRunHistory(appFolder);
    QHash<QByteArray, QList<RemovedFile>> removedByRun;
    QHash<QByteArray, QSet<QByteArray>> putBackByRun;
    QSet<QByteArray> trashedNames;
    QList<QByteArray> trashedPaths;
    QSet<QByteArray> trashedFolders;
    for (const HistoryRun& run : runs) {
        const QList<QByteArray> lines = readHistoryLines(run.path);
        if (run.feature == RunFeature::Restore) {
            putBackByRun[run.restoredRun].unite(putBackPaths(lines));
            continue;
        }
        QList<RemovedFile> removed = removedFilesOf(lines);
        for (const RemovedFile& file : removed) {
            if (file.how != RemovedHow::Trashed && file.how != RemovedHow::Interrupted)
                continue;
            trashedNames.insert(baseName(file.path));
            const QByteArray folder = folderOf(file.path);
            if (!trashedFolders.contains(folder)) {
                trashedFolders.insert(folder);
                trashedPaths.append(file.path);
            }
        }
        removedByRun.insert(run.id, std::move(removed));
    }

    // Each trash entry that a run may have made, by its original path.
    QHash<QByteArray, QList<TrashEntry>> trashByPath;
    if (!trashedNames.isEmpty()) {
        for (const QByteArray& folder : trashFoldersFor(homeTrash, trashedPaths))
            for (TrashEntry& entry : listTrash(folder, trashedNames))
                trashByPath[entry.originalPath].append(std::move(entry));
    }

    for (const HistoryRun& run : runs) {
        RunOverview overview;
        overview.run = run;
        QList<FileNow> files;
        const QSet<QByteArray> putBack = putBackByRun.value(run.id);
        for (const RemovedFile& removed : removedByRun.value(run.id)) {
            FileNow file;
            file.removed = removed;
            switch (removed.how) {
            case RemovedHow::Trashed:
            case RemovedHow::Interrupted: {
                QList<TrashEntry>& candidates = trashByPath[removed.path];
                qsizetype best = -1;
                for (qsizetype i = 0; i < candidates.size(); ++i) {
                    const std::int64_t at = candidates[i].deletedAtMs;
                    if (at >= run.startMs - kDeletionSlackMs && at <= run.endMs + kDeletionSlackMs &&
                        (best < 0 || at > candidates[best].deletedAtMs))
                        best = i;
                }
                if (best >= 0) {
                    file.state = FileState::InTrash;
                    file.entry = candidates.takeAt(best); // one entry answers for one removal
                    file.now = file.entry.file;
                    file.changed = hasChanged(removed, file.now);
                } else if (putBack.contains(removed.path)) {
                    file.state = FileState::PutBack;
                } else if (removed.how == RemovedHow::Interrupted) {
                    continue; // killed before its record: not found in the trash, so not removed there
                } else {
                    file.state = FileState::GoneFromTrash;
                }
                break;
            }
            case RemovedHow::Deleted:
                file.state = FileState::Deleted;
                break;
            case RemovedHow::Moved:
                if (putBack.contains(removed.path)) {
                    file.state = FileState::PutBack;
                } else if (lstatPath(removed.movedTo, file.now) == 0) {
                    file.state = FileState::Moved;
                    file.changed = hasChanged(removed, file.now);
                } else {
                    file.state = FileState::GoneFromMoved;
                }
                break;
            }
            ++overview.filesRemoved;
            overview.bytesRemoved += removed.size.value_or(file.now.size);
            if (file.restorable())
                ++overview.restorable;
            files.append(std::move(file));
        }
        view.m_runs.append(overview);
        view.m_files.insert(run.id, std::move(files));
    }
    return view;
}

QByteArray restoreActionLine(RestoreOutcome outcome)
{
    switch (outcome) {
    case RestoreOutcome::PutBack:
        return "ACTION: Put Back";
    case RestoreOutcome::MovedBack:
        return "ACTION: Moved Back";
    case RestoreOutcome::Taken:
        return "ACTION: Skipped - Another File Has Its Name";
    case RestoreOutcome::NotThere:
        return "ACTION: Skipped - File No Longer In The Trash";
    case RestoreOutcome::LinkOnTheWay:
        return "ACTION: Skipped - A Folder On Its Path Is A Link";
    case RestoreOutcome::OtherVolume:
        return "ACTION: Skipped - Its Folder Is On Another Drive";
    case RestoreOutcome::Refused:
        return "ACTION: Access Denied";
    case RestoreOutcome::NotTouched:
        break;
    }
    return {};
}

RestoreReport restoreFiles(const QByteArray& appFolder, const HistoryRun& run, const QList<FileNow>& files,
                           const std::function<void(int, int)>& progress)
{
    RestoreReport report;
    QList<const FileNow*> chosen;
    for (const FileNow& file : files)
        if (file.restorable())
            chosen.append(&file);

    SearchLog log;
    if (!log.openInHistory(appFolder, RunFeature::Restore, run.id)) {
        report.logError = log.error();
        return report;
    }
    report.historyPath = log.path();
    QList<QByteArray> lines{
        (QStringLiteral("This restore was made on ") + logHeaderDate(QDateTime::currentDateTime())).toUtf8(),
        (QStringLiteral("Files put back from the ") + runFeatureName(run.feature) + QStringLiteral(" of ") +
         localHeaderDate(run.startMs))
            .toUtf8()};

    PutBack putBack;
    for (qsizetype first = 0; first < chosen.size(); first += kFilesPerWrite) {
        const qsizetype end = std::min(chosen.size(), first + kFilesPerWrite);
        // The blocks go first: a restore killed among these files leaves each one either back in
        // place or in the trash, and its block says it was being put back.
        for (qsizetype i = first; i < end; ++i) {
            const FileNow& file = *chosen[i];
            lines += QByteArray();
            lines += file.removed.path;
            lines += (QStringLiteral("...File Size is ") + numText(file.now.size) + QStringLiteral(" Bytes")).toUtf8();
            if (file.changed)
                lines += "...It Has Changed Since It Was Removed";
        }
        if (!log.writeLines(lines)) {
            report.logError = log.error();
            break;
        }
        lines.clear();
        for (qsizetype i = first; i < end; ++i) {
            const FileNow& file = *chosen[i];
            const bool inTrash = file.state == FileState::InTrash;
            const PutBackResult result =
                inTrash ? putBack.fromTrash(file.entry) : putBack.moveBack(file.removed.movedTo, file.removed.path);
            RestoredFile done{file.removed.path, RestoreOutcome::Refused, result.errorCode, file.changed};
            switch (result.outcome) {
            case PutBackOutcome::Done:
                done.outcome = inTrash ? RestoreOutcome::PutBack : RestoreOutcome::MovedBack;
                ++report.putBack;
                report.bytesPutBack += file.now.size;
                break;
            case PutBackOutcome::Taken:
                done.outcome = RestoreOutcome::Taken;
                break;
            case PutBackOutcome::NotInTrash:
                done.outcome = RestoreOutcome::NotThere;
                break;
            case PutBackOutcome::LinkOnTheWay:
                done.outcome = RestoreOutcome::LinkOnTheWay;
                break;
            case PutBackOutcome::OtherVolume:
                done.outcome = RestoreOutcome::OtherVolume;
                break;
            case PutBackOutcome::Refused:
                break;
            }
            lines += restoreActionLine(done.outcome);
            report.files.append(done);
            if (progress)
                progress(int(i + 1), int(chosen.size()));
        }
    }
    if (report.logError.isEmpty()) {
        lines += QByteArray();
        lines += (QStringLiteral("Number of files put back: ") + numText(report.putBack)).toUtf8();
        lines += (QStringLiteral("Total bytes put back: ") + numText(report.bytesPutBack)).toUtf8();
        if (!log.writeLines(lines))
            report.logError = log.error();
    }
    log.close();
    if (report.logError.isEmpty() && log.failed())
        report.logError = log.error();
    return report;
}

} // namespace bv
