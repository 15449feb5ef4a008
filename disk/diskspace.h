// SPDX-License-Identifier: GPL-3.0-or-later
// The disk space report as a pure function of a volume's geometry: every caption the Disk Space
// window shows, and the used-space bar, computed in one place so the window only applies them.
//
// Capacities are 64-bit products of the geometry; a product that would not fit is shown as 0
// rather than as a wrapped number. The bar is drawn in twips over an inner width of 4607: one
// bar unit is total ÷ 4607 bytes, and the used part is used ÷ unit wide, never wider than the
// bar. A volume too small for a unit of one byte leaves the bar as it was.
#pragma once

#include "platform/diskgeometry.h"

#include <QString>

#include <cstdint>
#include <optional>

class QLocale;

namespace bv {

// Inner width of the used-space bar, in twips.
constexpr int kSpaceBarTwips = 4607;

struct DriveSpaceReport
{
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
    std::uint64_t usedBytes = 0;

    QString totalCapacity; // " 1,023 Bytes     0 Kb"
    QString freeSpace;
    QString usedSpace;

    bool barVisible = false;             // hidden while nothing is used
    std::optional<double> barWidthTwips; // nothing: leave the bar's width as it is
    QString percentage;                  // "42% used space"

    QString bytesPerSector; // " 512"
    QString sectorsPerCluster;
    QString totalClusters;
};

// "<bytes> Bytes     <kilobytes> Kb" with a leading blank; kilobytes are truncated, not rounded.
QString spaceCaption(std::uint64_t bytes, const QLocale* locale = nullptr);

DriveSpaceReport driveSpaceReport(const DiskGeometry& geometry, const QLocale* locale = nullptr);

} // namespace bv
