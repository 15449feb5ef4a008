// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/overhang.h"

#include "common/format.h"

#include <algorithm>

namespace bv {

std::uint64_t clusterAllocation(std::uint64_t size, std::uint64_t cluster)
{
    if (cluster == 0)
        return size;
    const std::uint64_t whole = size / cluster;
    if (whole < 1)
        return cluster; // smaller than one cluster, empty files included
    return size % cluster != 0 ? whole * cluster + cluster : whole * cluster;
}

WastedShare wastedShare(std::uint64_t totalFileSizes, std::uint64_t actualSpaceUsed)
{
    WastedShare s;
    s.unit = actualSpaceUsed / 100;
    if (actualSpaceUsed == 0)
        return s;
    // sizes × 100 ÷ used directly rather than sizes ÷ (used ÷ 100): dividing by a truncated unit
    // overshoots 100 when files fill their clusters exactly, and a unit of 0 (less than 100
    // bytes used) would divide by zero. 128 bits, so a petabyte total cannot overflow.
    __extension__ using Wide = unsigned __int128;
    const Wide used = Wide(totalFileSizes) * 100 / Wide(actualSpaceUsed);
    s.usedPercent = int(std::min<Wide>(used, 100));
    s.wastedPercent = 100 - s.usedPercent;
    return s;
}

OverhangTally::Added OverhangTally::add(const FileInfo& file)
{
    if (!S_ISREG(file.mode))
        return Added::NotAFile;
    if (file.nlink > 1 && !m_linked.insert(FileId{file.dev, file.ino}).second)
        return Added::SameFile;
    const std::uint64_t size = file.size > 0 ? std::uint64_t(file.size) : 0;
    m_sizes += size;
    m_used += clusterAllocation(size, m_cluster);
    return Added::Accounted;
}

QString filesScannedText(std::uint64_t files, const QLocale* locale)
{
    return formatPicture(double(files), QStringLiteral("###,###,##0"), locale);
}

QString kilobytesText(std::uint64_t bytes, const QLocale* locale)
{
    return formatPicture(double(bytes / 1024), QStringLiteral("###,###,###,##0"), locale) + QStringLiteral(" Kb");
}

QString clusterSizeText(std::uint64_t cluster, const QLocale* locale)
{
    return formatPicture(double(cluster), QStringLiteral("###,###,##0"), locale) + QStringLiteral("  Bytes");
}

QString wastedPercentText(int wastedPercent)
{
    // The blank is where a sign would stand.
    return QLatin1Char(' ') + QString::number(wastedPercent) + QStringLiteral("% Wasted");
}

} // namespace bv
