// SPDX-License-Identifier: GPL-3.0-or-later
// Cluster overhang accounting: how much of a volume is lost because every file occupies whole
// clusters. The Cluster Overhang window feeds OverhangTally one walked file at a time and prints
// the texts below; nothing here knows about windows or the walk.
//
// A file takes cluster × max(1, ⌈size ÷ cluster⌉) bytes: an empty file is counted as one
// cluster, like a file of one byte. A file reached through several hard links is one file on
// the disk, so it is accounted once, by device and inode. Only regular files hold data in
// clusters; a symbolic link is not accounted.
//
// All sums are 64-bit. The wasted share is computed directly from the two totals, so it stays
// between 0 and 100 however exactly the files fill their clusters.
#pragma once

#include "platform/fsinfo.h"

#include <QString>

#include <cstdint>
#include <unordered_set>

class QLocale;

namespace bv {

// Twips of the overhang bar per percent wasted.
constexpr double kWastedBarTwipsPerPercent = 45.3;

// Bytes a file of `size` bytes occupies in clusters of `cluster` bytes (at least one cluster).
// A volume that reports no cluster size rounds nothing: the file takes its size.
std::uint64_t clusterAllocation(std::uint64_t size, std::uint64_t cluster);

struct WastedShare
{
    std::uint64_t unit = 0; // one percent of the space used, in whole bytes
    int usedPercent = 0;    // file sizes as a whole percentage of the space used, truncated
    int wastedPercent = 0;  // 100 - usedPercent; 0 while nothing is used
    double barTwips() const { return wastedPercent * kWastedBarTwipsPerPercent; }
};

WastedShare wastedShare(std::uint64_t totalFileSizes, std::uint64_t actualSpaceUsed);

class OverhangTally
{
public:
    explicit OverhangTally(std::uint64_t clusterSize = 0) : m_cluster(clusterSize) {}

    enum class Added {
        Accounted, // its size and allocation were added
        SameFile,  // another link to a file already accounted
        NotAFile,  // a symbolic link (or anything but a regular file)
    };
    Added add(const FileInfo& file);

    std::uint64_t clusterSize() const { return m_cluster; }
    std::uint64_t totalFileSizes() const { return m_sizes; }
    std::uint64_t actualSpaceUsed() const { return m_used; }
    std::uint64_t totalWasted() const { return m_used - m_sizes; }
    WastedShare share() const { return wastedShare(m_sizes, m_used); }

private:
    struct FileId
    {
        dev_t dev;
        ino_t ino;
        bool operator==(const FileId&) const = default;
    };
    struct FileIdHash
    {
        std::size_t operator()(const FileId& id) const
        {
            return std::hash<std::uint64_t>()(std::uint64_t(id.ino) * 0x9E3779B97F4A7C15ull ^ std::uint64_t(id.dev));
        }
    };

    std::uint64_t m_cluster = 0;
    std::uint64_t m_sizes = 0;
    std::uint64_t m_used = 0;
    // Only files with more than one link are remembered: the rest cannot come again.
    std::unordered_set<FileId, FileIdHash> m_linked;
};

// The printed figures, each as it stands at its print position.
QString filesScannedText(std::uint64_t files, const QLocale* locale = nullptr);  // "1,234"
QString kilobytesText(std::uint64_t bytes, const QLocale* locale = nullptr);     // "12 Kb", truncated
QString clusterSizeText(std::uint64_t cluster, const QLocale* locale = nullptr); // "4,096  Bytes"
QString wastedPercentText(int wastedPercent);                                    // " 17% Wasted"

} // namespace bv
