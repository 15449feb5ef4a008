// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/diskgeometry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace bv {

namespace {

constexpr std::uint64_t kDefaultSectorSize = 512;
// Long enough for a slow USB disk to spin up, short enough that a dead share is given up on
// before the user thinks the program has hung.
constexpr std::chrono::milliseconds kQueryDeadline{4000};

// A small number from a sysfs file; 0 when it cannot be read.
std::uint64_t readSysNumber(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[32];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buf[n] = '\0';
    char* end = nullptr;
    const unsigned long long v = std::strtoull(buf, &end, 10);
    return end == buf ? 0 : v;
}

// The logical block size of the device behind dev; 0 when there is none (tmpfs, NFS, FUSE and
// Btrfs report an anonymous device) or sysfs does not say.
std::uint64_t logicalSectorSize(dev_t dev)
{
    if (major(dev) == 0)
        return 0;
    char path[96];
    std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/queue/logical_block_size", major(dev), minor(dev));
    if (const std::uint64_t size = readSysNumber(path))
        return size;
    // A partition has no queue of its own; its disk, one level up, has.
    std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/../queue/logical_block_size", major(dev), minor(dev));
    return readSysNumber(path);
}

class SystemDiskGeometry : public DiskGeometrySource
{
public:
    std::optional<DiskGeometry> query(const QByteArray& root) override
    {
        return runWithDeadline([root] { return queryDiskGeometryNow(root); }, kQueryDeadline);
    }
};

} // namespace

std::optional<DiskGeometry> geometryFromStats(const VolumeStats& stats, std::uint64_t logicalSectorSize)
{
    const std::uint64_t cluster = stats.fragmentSize ? stats.fragmentSize : stats.blockSize;
    if (cluster == 0)
        return std::nullopt;
    std::uint64_t sector = logicalSectorSize ? logicalSectorSize : kDefaultSectorSize;
    if (cluster < sector || cluster % sector != 0)
        sector = cluster;
    DiskGeometry g;
    g.bytesPerSector = sector;
    g.sectorsPerCluster = cluster / sector;
    g.totalClusters = stats.blocks;
    g.freeClusters = stats.availBlocks;
    g.readOnly = stats.readOnly;
    return g;
}

std::optional<DiskGeometry> runWithDeadline(std::function<std::optional<DiskGeometry>()> work,
                                            std::chrono::milliseconds deadline)
{
    // The promise lives as long as whichever side needs it longer: a helper stuck in the
    // kernel outlives this call and must still have somewhere to put its answer.
    auto promise = std::make_shared<std::promise<std::optional<DiskGeometry>>>();
    std::future<std::optional<DiskGeometry>> answer = promise->get_future();
    try {
        std::thread([promise, work = std::move(work)] { promise->set_value(work()); }).detach();
    } catch (const std::system_error&) {
        return std::nullopt; // no thread to be had: report the volume as not answering
    }
    if (answer.wait_for(deadline) != std::future_status::ready)
        return std::nullopt;
    return answer.get();
}

std::optional<DiskGeometry> queryDiskGeometryNow(const QByteArray& root)
{
    if (root.isEmpty())
        return std::nullopt;
    // O_PATH needs only the right to reach the folder, not to read it.
    const int fd = ::open(root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct statvfs vfs;
    struct stat st;
    const bool ok = ::fstatvfs(fd, &vfs) == 0 && ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    VolumeStats stats;
    stats.fragmentSize = vfs.f_frsize;
    stats.blockSize = vfs.f_bsize;
    stats.blocks = vfs.f_blocks;
    stats.availBlocks = vfs.f_bavail;
    stats.readOnly = (vfs.f_flag & ST_RDONLY) != 0;
    return geometryFromStats(stats, logicalSectorSize(st.st_dev));
}

DiskGeometrySource& systemDiskGeometry()
{
    static SystemDiskGeometry source;
    return source;
}

} // namespace bv
