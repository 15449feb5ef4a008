// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/dupsearch.h"

#include "common/format.h"

#include <algorithm>

namespace bv {

QList<QByteArray> dupHeaderLines(const DupSearchEntries& e, const QByteArray& folder, const QDateTime& now)
{
    QList<QByteArray> out;
    auto add = [&out](const QString& line) { out.append(line.toUtf8()); };
    add(QStringLiteral("This search was made on ") + logHeaderDate(now));
    add(QStringLiteral("Search for duplicate files of type(s): ") + e.pattern2 + QStringLiteral("  ") + e.pattern3);
    out.append(QByteArray("Search the following location (Including sub directories): ") + folder);
    add(QStringLiteral("Search Options:"));
    if (e.ignoreInstallation)
        add(QStringLiteral("   Do not display installation files"));
    if (e.recycle)
        add(QStringLiteral("   Send all files to the Recycle Bin"));
    if (e.ignoreHiddenFiles)
        add(QStringLiteral("   Ignore Hidden and System Files"));
    if (e.ignoreHiddenDirs)
        add(QStringLiteral("   Ignore Hidden Directories"));
    out.append(QByteArray());
    return out;
}

QList<QByteArray> dupRowLines(const ReviewRow& row)
{
    return {row.path, (QStringLiteral("   File Size:") + row.size).toUtf8(),
            (QStringLiteral("   File Version:") + row.version).toUtf8(),
            (QStringLiteral("   Last Accessed:") + row.lastAccess).toUtf8(), QByteArray()};
}

QList<QByteArray> dupGroupEndLines()
{
    return {QByteArray(59, '_'), QByteArray()};
}

QList<QByteArray> dupSummaryLines(const RunValues& run)
{
    // "reclaimed:" has no blank of its own: the number brings one.
    return {(QStringLiteral("Files matching the specified file type(s): ") + numText(run.FilesMatched)).toUtf8(),
            (QStringLiteral("Number of files checked: ") + numText(run.FilesChecked)).toUtf8(),
            (QStringLiteral("Number of files removed: ") + numText(run.FilesRemoved)).toUtf8(),
            (QStringLiteral("Total bytes reclaimed:") + numText(run.BytesReclaimed)).toUtf8()};
}

QString dupOutOfMemoryText()
{
    return QStringLiteral("There is not enough available memory to complete the duplicate file search. If you have "
                          "other applications running close them and try again. Otherwise, select a smaller search "
                          "path.");
}

QString linkedFileQuestion(const QString& file, const QList<int>& rows, bool moving)
{
    // "2", "2 and 5", "2, 3 and 5"; a long list names the first five and counts the rest.
    constexpr qsizetype kNamed = 5;
    QStringList numbers;
    for (qsizetype i = 0; i < std::min(rows.size(), kNamed); ++i)
        numbers << QString::number(rows[i]);
    QString list = numbers.join(QStringLiteral(", "));
    if (rows.size() > kNamed)
        list += QStringLiteral(" and %1 more").arg(rows.size() - kNamed);
    else if (rows.size() > 1)
        list = numbers.mid(0, numbers.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + numbers.last();
    const bool one = rows.size() == 1;
    const QString what = one ? QStringLiteral("Row %1 is a symbolic link to %2, not a copy of it.")
                             : QStringLiteral("Rows %1 are symbolic links to %2, not copies of it.");
    const QString then = moving ? (one ? QStringLiteral("Once the file is moved, the link leads nowhere.")
                                       : QStringLiteral("Once the file is moved, the links lead nowhere."))
                                : (one ? QStringLiteral("Without the file, the link leads nowhere.")
                                       : QStringLiteral("Without the file, the links lead nowhere."));
    return what.arg(list, file) + QLatin1Char(' ') + then + QStringLiteral("\n\nDo you still want to ") +
           (moving ? QStringLiteral("move it?") : QStringLiteral("remove it?"));
}

} // namespace bv
