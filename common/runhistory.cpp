// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/runhistory.h"

#include "platform/historyfolder.h"
#include "platform/logfile.h"
#include "platform/paths.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <cstring>

namespace bv {

namespace {

constexpr char kSuffix[] = ".log";
constexpr char kStampFormat[] = "yyyyMMdd-HHmmss-zzz";
constexpr qsizetype kStampLength = 19;
constexpr char kRestoredMark[] = "_of_";

const char* featureToken(RunFeature feature)
{
    switch (feature) {
    case RunFeature::FileSearch:
        return "file-search";
    case RunFeature::DuplicateSearch:
        return "duplicates";
    case RunFeature::QuickClean:
        return "quick-clean";
    case RunFeature::Restore:
        return "restore";
    }
    return "file-search";
}

bool featureFromToken(const QByteArray& token, RunFeature* feature)
{
    for (RunFeature f :
         {RunFeature::FileSearch, RunFeature::DuplicateSearch, RunFeature::QuickClean, RunFeature::Restore})
        if (token == featureToken(f)) {
            *feature = f;
            return true;
        }
    return false;
}

bool parseRunName(const QByteArray& name, HistoryRun& run)
{
    if (!name.endsWith(kSuffix) || name.size() < kStampLength + 2 || name[kStampLength] != '_')
        return false;
    const QDateTime start =
        QDateTime::fromString(QString::fromLatin1(name.left(kStampLength)), QLatin1String(kStampFormat));
    if (!start.isValid())
        return false;
    QByteArray rest = name.mid(kStampLength + 1, name.size() - kStampLength - 1 - qsizetype(std::strlen(kSuffix)));
    const qsizetype mark = rest.indexOf(kRestoredMark);
    if (mark >= 0) {
        run.restoredRun = rest.mid(mark + qsizetype(std::strlen(kRestoredMark)));
        rest.truncate(mark);
    }
    if (!featureFromToken(rest, &run.feature))
        return false;
    QDateTime utc = start;
    utc.setTimeZone(QTimeZone::utc());
    run.startMs = utc.toMSecsSinceEpoch();
    run.id = name.left(name.size() - qsizetype(std::strlen(kSuffix)));
    return true;
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Drops the oldest runs but `keep` until `room` more runs fit and the bytes are within the bound.
void trimHistory(const QByteArray& appFolder, const QByteArray& keep, int room)
{
    const QByteArray folder = runHistoryFolder(appFolder);
    QList<HistoryRun> runs = listRunHistory(appFolder);
    std::int64_t total = 0;
    for (const HistoryRun& run : runs)
        total += run.bytes;
    qsizetype oldest = runs.size() - 1;
    while (oldest >= 0 && (runs.size() + room > runhistory::kMostRuns || total > runhistory::kMostBytes)) {
        if (runs[oldest].path == keep) {
            --oldest;
            continue;
        }
        removeHistoryFile(folder, baseName(runs[oldest].path));
        total -= runs[oldest].bytes;
        runs.removeAt(oldest);
        --oldest;
    }
}

} // namespace

void trimRunHistory(const QByteArray& appFolder, const QByteArray& keep)
{
    trimHistory(appFolder, keep, 0);
}

QString runFeatureName(RunFeature feature)
{
    switch (feature) {
    case RunFeature::FileSearch:
        return QStringLiteral("File Search");
    case RunFeature::DuplicateSearch:
        return QStringLiteral("Find Duplicates");
    case RunFeature::QuickClean:
        return QStringLiteral("Quick Clean");
    case RunFeature::Restore:
        return QStringLiteral("Restore");
    }
    return {};
}

QByteArray runHistoryFolder(const QByteArray& appFolder)
{
    return joinPath(appFolder, "history");
}

QByteArray beginRunHistory(const QByteArray& appFolder, RunFeature feature, QString* error,
                           const QByteArray& restoredRun)
{
    const QByteArray folder = runHistoryFolder(appFolder);
    if (const int err = prepareHistoryFolder(folder)) {
        if (error)
            *error = QStringLiteral("The run history folder %1 could not be made: %2")
                         .arg(displayPath(folder), errnoText(err));
        return {};
    }
    trimHistory(appFolder, {}, 1);

    const QByteArray stamp = QDateTime::currentDateTimeUtc().toString(QLatin1String(kStampFormat)).toLatin1();
    QByteArray tail = QByteArray("_") + featureToken(feature);
    if (!restoredRun.isEmpty())
        tail += kRestoredMark + restoredRun;
    // Two runs in the same millisecond (a test, a script) still get a file each: the later one
    // waits for the next free millisecond of its name.
    QByteArray name = stamp + tail + kSuffix;
    QDateTime next = QDateTime::fromString(QString::fromLatin1(stamp), QLatin1String(kStampFormat));
    next.setTimeZone(QTimeZone::utc());
    while (!historyNameFree(folder, name)) {
        next = next.addMSecs(1);
        name = next.toString(QLatin1String(kStampFormat)).toLatin1() + tail + kSuffix;
    }
    return joinPath(folder, name);
}

QList<HistoryRun> listRunHistory(const QByteArray& appFolder)
{
    const QByteArray folder = runHistoryFolder(appFolder);
    QList<HistoryRun> runs;
    for (const HistoryFileEntry& entry : listHistoryFolder(folder, kSuffix)) {
        HistoryRun run;
        if (!parseRunName(entry.name, run))
            continue;
        run.path = joinPath(folder, entry.name);
        run.bytes = entry.size;
        run.endMs = std::max(entry.modifiedMs, run.startMs);
        runs.append(std::move(run));
    }
    // Names sort by start time; newest first.
    std::sort(runs.begin(), runs.end(), [](const HistoryRun& a, const HistoryRun& b) { return a.id > b.id; });
    return runs;
}

QList<QByteArray> readHistoryLines(const QByteArray& path)
{
    FileHead head = readFileHead(path, runhistory::kMostBytes * 2);
    QByteArray& bytes = head.bytes;
    const qsizetype lastEnd = bytes.lastIndexOf("\r\n");
    bytes.truncate(lastEnd < 0 ? 0 : lastEnd);
    if (bytes.isEmpty())
        return {};
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

} // namespace bv
