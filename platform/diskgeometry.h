// SPDX-License-Identifier: GPL-3.0-or-later
// The geometry and fill of one volume, in place of the classic free-space call: sectors,
// clusters and what is free.
//
// A cluster is the file system's fragment size (statvfs f_frsize), the unit files are allocated
// in; a sector is the device's logical block size from sysfs, 512 where the volume has no block
// device (tmpfs, network and FUSE file systems) or sysfs does not tell. Free space is what the
// user may still fill (f_bavail, as df shows it), not what root may. Everything is 64-bit: a
// modern drive does not fit in 32 bits.
//
// The mount point is opened only as a place in the tree (O_PATH), never listed: a volume whose
// root the user may not read (a tmpfs mounted 0700, /boot/efi with umask 0077) still tells its
// figures, as df shows them.
//
// Only the volume asked about is touched, and never for long: the query runs beside the GUI
// thread and is given up after a deadline, so a hung network mount makes a query fail instead
// of freezing the window that asked. The disk space report and the cluster overhang window
// reach the system through DiskGeometrySource, so tests hand them any volume they like.
#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace bv {

struct DiskGeometry
{
    std::uint64_t bytesPerSector = 0;
    std::uint64_t sectorsPerCluster = 0;
    std::uint64_t freeClusters = 0; // available to the user
    std::uint64_t totalClusters = 0;
    bool readOnly = false; // mounted read-only: nothing on it can be removed

    std::uint64_t clusterSize() const { return bytesPerSector * sectorsPerCluster; }
    bool operator==(const DiskGeometry&) const = default;
};

// The statvfs fields the geometry is made of.
struct VolumeStats
{
    std::uint64_t fragmentSize = 0; // f_frsize
    std::uint64_t blockSize = 0;    // f_bsize, the fallback where f_frsize is 0
    std::uint64_t blocks = 0;       // f_blocks, in fragments
    std::uint64_t availBlocks = 0;  // f_bavail, in fragments
    bool readOnly = false;          // ST_RDONLY in f_flag
};

// Pure: the geometry from the statvfs figures and the logical sector size (0 = unknown, 512 is
// taken). A cluster that is not a whole number of sectors (or smaller than one) is reported as
// one sector of the cluster's size, so that sectors × sector size × clusters stays the true
// capacity. Nothing for a volume without a cluster size.
std::optional<DiskGeometry> geometryFromStats(const VolumeStats& stats, std::uint64_t logicalSectorSize);

// Runs work on a helper thread and waits at most `deadline` for it. Nothing when the deadline
// passes: the helper is then left to finish (or hang) on its own and its result is dropped.
std::optional<DiskGeometry> runWithDeadline(std::function<std::optional<DiskGeometry>()> work,
                                            std::chrono::milliseconds deadline);

class DiskGeometrySource
{
public:
    virtual ~DiskGeometrySource() = default;
    // The geometry of the volume whose root folder is `root`; nothing when the folder cannot be
    // opened or its file system does not answer in time.
    virtual std::optional<DiskGeometry> query(const QByteArray& root) = 0;
};

// The system's volumes, each query bounded by a deadline of a few seconds.
DiskGeometrySource& systemDiskGeometry();

// The query itself, without the deadline (blocks as long as the file system does).
std::optional<DiskGeometry> queryDiskGeometryNow(const QByteArray& root);

} // namespace bv
