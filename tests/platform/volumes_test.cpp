// SPDX-License-Identifier: GPL-3.0-or-later
// Drives from mountinfo text: parsing, escapes, which mounts are drives, which drive holds a path.
#include "platform/volumes.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>
#include <unistd.h>

namespace bv {
namespace {

const char sample[] = "22 27 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:5 - proc proc rw\n"
                      "23 27 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:6 - sysfs sysfs rw\n"
                      "24 27 0:5 / /dev rw,nosuid - devtmpfs udev rw,size=8000k\n"
                      "27 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
                      "30 23 0:26 / /sys/fs/cgroup rw shared:9 - cgroup2 cgroup2 rw\n"
                      "40 27 0:30 / /tmp rw,nosuid,nodev shared:20 - tmpfs tmpfs rw\n"
                      "41 27 8:17 / /media/me/USB\\040Stick rw,nosuid,nodev shared:300 - vfat /dev/sdb1 rw,uid=1000\n"
                      "42 27 8:2 /srv/data /mnt/bind\\134here ro,relatime shared:1 - ext4 /dev/sda2 rw\n"
                      "43 27 0:44 / /net/share rw,relatime shared:301 - nfs4 server:/export rw,vers=4.2\n"
                      "44 27 0:45 / /auto rw,relatime shared:302 - autofs systemd-1 rw,fd=48\n"
                      "45 40 0:46 / /tmp ro,relatime shared:303 - tmpfs over rw\n"
                      "garbage line\n"
                      "46 27 0:47 / /odd\\011tab rw - fuse.sshfs me@host:/ rw,user_id=1000\n";

TEST(Volumes, ParsesEveryWellFormedLineAndDecodesEscapes)
{
    const QList<MountEntry> m = parseMountInfo(sample);
    ASSERT_EQ(m.size(), 12);
    EXPECT_EQ(m[3].mountId, 27u);
    EXPECT_EQ(m[3].mountPoint, "/");
    EXPECT_EQ(m[3].dev, makedev(8, 2));
    EXPECT_EQ(m[3].source, "/dev/sda2");
    EXPECT_EQ(m[6].mountPoint, "/media/me/USB Stick");
    EXPECT_EQ(m[7].mountPoint, "/mnt/bind\\here");
    EXPECT_EQ(m[7].root, "/srv/data");
    EXPECT_EQ(m[8].source, "server:/export");
    EXPECT_EQ(m[11].mountPoint, "/odd\ttab");
    EXPECT_EQ(m[11].fsType, "fuse.sshfs");
    EXPECT_EQ(decodeMountField("a\\040b\\012c\\0"), QByteArray("a b\nc\\0"));
}

TEST(Volumes, DrivesAreVisibleMountsThatHoldFiles)
{
    QHash<QByteArray, QString> labels;
    labels.insert("/dev/sdb1", "USB STICK");
    const QList<Volume> drives = drivesFrom(parseMountInfo(sample), labels);
    QList<QByteArray> points;
    for (const Volume& v : drives)
        points.append(v.mountPoint);
    // proc, sysfs, devtmpfs, cgroup2, autofs are not drives; /tmp is the tmpfs mounted over it.
    EXPECT_EQ(points,
              (QList<QByteArray>{"/", "/media/me/USB Stick", "/mnt/bind\\here", "/net/share", "/tmp", "/odd\ttab"}));
    const Volume& tmp = drives[4];
    EXPECT_EQ(tmp.mountId, 45u);
    EXPECT_TRUE(tmp.readOnly);
    EXPECT_EQ(drives[1].displayText(), QStringLiteral("/media/me/USB Stick (USB STICK)"));
    EXPECT_EQ(drives[0].displayText(), QStringLiteral("/ (/dev/sda2)"));
}

TEST(Volumes, VolumeForAPathByMountIdOrDeepestMountPoint)
{
    const QList<Volume> drives = drivesFrom(parseMountInfo(sample));
    struct Case
    {
        std::optional<std::uint64_t> mountId;
        QByteArray path;
        QByteArray expected; // mount point, "" for none
    };
    const Case cases[] = {
        {42, "/anything", "/mnt/bind\\here"}, // the id decides, not the path
        {22, "/proc/1", ""},                  // a pseudo file system is no drive
        {40, "/tmp/x", ""},                   // mounted over: not visible
        {std::nullopt, "/media/me/USB Stick/a", "/media/me/USB Stick"},
        {std::nullopt, "/media/me/USB Sticker", "/"}, // a prefix of a name is not a folder
        {std::nullopt, "/tmp", "/tmp"},
        {std::nullopt, "/home/me", "/"},
    };
    for (const Case& c : cases) {
        const std::optional<Volume> v = volumeFor(drives, c.mountId, c.path);
        EXPECT_EQ(v ? v->mountPoint : QByteArray(), c.expected) << c.path.constData();
    }
}

TEST(Volumes, TheLiveSystemHasTheCurrentDirectorysDrive)
{
    const QList<Volume> drives = mountedVolumes();
    ASSERT_FALSE(drives.isEmpty());
    for (const Volume& v : drives)
        EXPECT_FALSE(isPseudoFileSystem(v.fsType)) << v.mountPoint.constData();
    const std::optional<Volume> here = currentVolume();
    ASSERT_TRUE(here.has_value());
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    const QByteArray dir(cwd);
    EXPECT_TRUE(here->mountPoint == "/" || dir == here->mountPoint || dir.startsWith(here->mountPoint + '/'))
        << here->mountPoint.constData();
    EXPECT_FALSE(volumeOf("/proc/self").has_value());
    EXPECT_FALSE(volumeOf("/no/such/path").has_value());
}

} // namespace
} // namespace bv
