// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/diskspace.h"

#include "common/format.h"

namespace bv {

namespace {

// a × b, or 0 when the product does not fit: a wrapped capacity would look plausible and be
// wrong, a 0 is plainly not a figure.
std::uint64_t productOrZero(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? 0 : out;
}

QString counted(std::uint64_t value, const QLocale* locale)
{
    return QLatin1Char(' ') + formatPicture(double(value), QStringLiteral("###,###,##0"), locale);
}

} // namespace

QString spaceCaption(std::uint64_t bytes, const QLocale* locale)
{
    return QLatin1Char(' ') + formatPicture(double(bytes), QStringLiteral("###,###,###,##0"), locale) +
           QStringLiteral(" Bytes     ") + formatPicture(double(bytes / 1024), QStringLiteral("###,###,##0"), locale) +
           QStringLiteral(" Kb");
}

DriveSpaceReport driveSpaceReport(const DiskGeometry& g, const QLocale* locale)
{
    DriveSpaceReport r;
    const std::uint64_t cluster = productOrZero(g.sectorsPerCluster, g.bytesPerSector);
    r.freeBytes = productOrZero(cluster, g.freeClusters);
    r.totalBytes = productOrZero(cluster, g.totalClusters);
    // Free never exceeds total on a sound volume; if a file system says otherwise nothing is used.
    r.usedBytes = r.totalBytes > r.freeBytes ? r.totalBytes - r.freeBytes : 0;

    r.barVisible = r.usedBytes != 0;
    r.totalCapacity = spaceCaption(r.totalBytes, locale);
    r.freeSpace = spaceCaption(r.freeBytes, locale);
    r.usedSpace = spaceCaption(r.usedBytes, locale);

    const std::int64_t unit = bankersRound(double(r.totalBytes) / kSpaceBarTwips);
    if (unit > 0)
        r.barWidthTwips = std::min(double(r.usedBytes) / double(unit), double(kSpaceBarTwips));

    // The used share in percent, rounded to a whole number; an empty volume reads 0.
    const double percent = r.totalBytes ? double(r.usedBytes) * 100.0 / double(r.totalBytes) : 0.0;
    r.percentage = formatPicture(percent, QStringLiteral("#0"), locale) + QStringLiteral("% used space");

    r.bytesPerSector = counted(g.bytesPerSector, locale);
    r.sectorsPerCluster = counted(g.sectorsPerCluster, locale);
    r.totalClusters = counted(g.totalClusters, locale);
    return r;
}

} // namespace bv
