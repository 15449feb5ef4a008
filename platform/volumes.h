// SPDX-License-Identifier: GPL-3.0-or-later
// Mounted volumes, in place of drive letters.
//
// A drive is a mounted volume that holds files; pseudo file systems (proc, sysfs, cgroup, ...)
// are not drives. The list comes from /proc/self/mountinfo and nothing else: no volume is
// statted or opened to build it, so a dead network mount cannot freeze a drive list. Labels come
// from udev's /dev/disk/by-label links, which live in /dev, not on the volumes.
//
// volumeOf() answers "which drive holds this path" by the mount id of the path itself (statx),
// which is exact with bind mounts and mounts over mounts; only that path's own volume is
// touched. The disk space report and the quick clean pick their drive through here, and the
// walk uses the same mount id to stay on its start volume.
//
// The parser is a pure function of the file's text, so tests feed it samples.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace bv {

// One line of /proc/self/mountinfo, escapes (\040 and friends) decoded.
struct MountEntry
{
    std::uint64_t mountId = 0;
    std::uint64_t parentId = 0;
    dev_t dev = 0;   // major:minor
    QByteArray root; // the part of the file system mounted here ("/" for all of it)
    QByteArray mountPoint;
    QByteArray options; // per-mount options (ro, nosuid, ...)
    QByteArray fsType;  // "ext4", "tmpfs", "fuse.sshfs", ...
    QByteArray source;  // "/dev/sda1", "server:/export", "tmpfs", ...
};

struct Volume
{
    QByteArray mountPoint; // the drive's "root folder"
    QByteArray device;     // the mount source as the system names it
    QString label;         // file system label when udev knows one, else empty
    QByteArray fsType;
    std::uint64_t mountId = 0;
    dev_t dev = 0;
    bool readOnly = false;

    // What a drive list shows: the mount point with its label, or its device when unlabelled.
    QString displayText() const;
};

// Decodes the octal escapes the kernel writes for space, tab, newline and backslash.
QByteArray decodeMountField(QByteArrayView field);
// Parses mountinfo text; malformed lines are left out.
QList<MountEntry> parseMountInfo(QByteArrayView text);
bool isPseudoFileSystem(QByteArrayView fsType);
// The drives among the mounts, in mount order. A mount point that was mounted over appears once,
// as the mount that is visible there. labels maps a device path to its label.
QList<Volume> drivesFrom(const QList<MountEntry>& mounts, const QHash<QByteArray, QString>& labels = {});
// Device path (resolved) -> label, from /dev/disk/by-label.
QHash<QByteArray, QString> deviceLabels();

// Every mount of this process now (drives and pseudo file systems alike).
QList<MountEntry> currentMounts();
// The drives of this system now.
QList<Volume> mountedVolumes();
// The drive that holds path (following a final link: the volume of what the path names);
// nothing for a path that does not exist or lies on a pseudo file system.
std::optional<Volume> volumeOf(const QByteArray& path);
// The pure part of volumeOf(): by mount id when the kernel gave one, else the deepest drive
// whose mount point the (resolved) path lies under.
std::optional<Volume> volumeFor(const QList<Volume>& drives, std::optional<std::uint64_t> mountId,
                                const QByteArray& realPath);
// The drive that holds the current directory.
std::optional<Volume> currentVolume();

} // namespace bv
