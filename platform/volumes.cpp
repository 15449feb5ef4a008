// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/volumes.h"

#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace bv {

namespace {

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// udev writes unsafe bytes of a label as \xNN.
QByteArray decodeUdevName(QByteArrayView s)
{
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && hexValue(s[i + 2]) >= 0 && hexValue(s[i + 3]) >= 0) {
            out.append(static_cast<char>(hexValue(s[i + 2]) * 16 + hexValue(s[i + 3])));
            i += 3;
        } else {
            out.append(s[i]);
        }
    }
    return out;
}

QByteArray readWholeFile(const char* path)
{
    QByteArray out;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    return out;
}

QByteArray realPath(const QByteArray& path)
{
    char buf[PATH_MAX];
    return ::realpath(path.constData(), buf) ? QByteArray(buf) : QByteArray();
}

bool hasOption(const QByteArray& options, QByteArrayView option)
{
    for (const QByteArray& o : options.split(',')) {
        if (o == option)
            return true;
    }
    return false;
}

Volume volumeFrom(const MountEntry& m, const QHash<QByteArray, QString>& labels)
{
    Volume v;
    v.mountPoint = m.mountPoint;
    v.device = m.source;
    v.fsType = m.fsType;
    v.mountId = m.mountId;
    v.dev = m.dev;
    v.readOnly = hasOption(m.options, "ro");
    v.label = labels.value(m.source);
    return v;
}

bool underMountPoint(const QByteArray& path, const QByteArray& mountPoint)
{
    if (path.isEmpty())
        return false;
    if (mountPoint.endsWith('/'))
        return path.startsWith(mountPoint) || path == mountPoint.chopped(1);
    return path == mountPoint || (path.startsWith(mountPoint) && path.at(mountPoint.size()) == '/');
}

} // namespace

QString Volume::displayText() const
{
    const QString where = QString::fromUtf8(mountPoint);
    const QString what = label.isEmpty() ? QString::fromUtf8(device) : label;
    return what.isEmpty() ? where : QStringLiteral("%1 (%2)").arg(where, what);
}

QByteArray decodeMountField(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            out.append(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

QList<MountEntry> parseMountInfo(QByteArrayView text)
{
    QList<MountEntry> out;
    for (const QByteArray& line : QByteArray(text.data(), text.size()).split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        const qsizetype dash = f.indexOf("-", 6);
        if (f.size() < 10 || dash < 6 || dash + 2 >= f.size())
            continue;
        MountEntry m;
        bool okId = false, okParent = false, okMajor = false, okMinor = false;
        m.mountId = f[0].toULongLong(&okId);
        m.parentId = f[1].toULongLong(&okParent);
        const QList<QByteArray> mm = f[2].split(':');
        if (mm.size() != 2)
            continue;
        const uint major = mm[0].toUInt(&okMajor);
        const uint minor = mm[1].toUInt(&okMinor);
        if (!okId || !okParent || !okMajor || !okMinor)
            continue;
        m.dev = makedev(major, minor);
        m.root = decodeMountField(f[3]);
        m.mountPoint = decodeMountField(f[4]);
        m.options = f[5];
        m.fsType = decodeMountField(f[dash + 1]);
        m.source = decodeMountField(f[dash + 2]);
        if (!m.mountPoint.startsWith('/'))
            continue;
        out.append(std::move(m));
    }
    return out;
}

bool isPseudoFileSystem(QByteArrayView fsType)
{
    // Kernel interfaces and device nodes: nothing on them is a user's file to clean up.
    static const QSet<QByteArray> pseudo = {
        "proc",   "sysfs",    "cgroup",     "cgroup2",  "devpts",    "debugfs", "tracefs",   "securityfs",
        "pstore", "bpf",      "mqueue",     "configfs", "fusectl",   "autofs",  "hugetlbfs", "binfmt_misc",
        "nsfs",   "efivarfs", "rpc_pipefs", "devtmpfs", "selinuxfs", "nfsd",    "rootfs",
    };
    return pseudo.contains(QByteArray(fsType.data(), fsType.size()));
}

QList<Volume> drivesFrom(const QList<MountEntry>& mounts, const QHash<QByteArray, QString>& labels)
{
    // A later mount on the same point covers the earlier one: only the visible one is a drive.
    QHash<QByteArray, qsizetype> visible;
    for (qsizetype i = 0; i < mounts.size(); ++i)
        visible.insert(mounts[i].mountPoint, i);
    QList<Volume> out;
    for (qsizetype i = 0; i < mounts.size(); ++i) {
        const MountEntry& m = mounts[i];
        if (visible.value(m.mountPoint) != i || isPseudoFileSystem(m.fsType))
            continue;
        out.append(volumeFrom(m, labels));
    }
    return out;
}

QHash<QByteArray, QString> deviceLabels()
{
    QHash<QByteArray, QString> out;
    const QByteArray dir = "/dev/disk/by-label";
    DIR* d = ::opendir(dir.constData());
    if (!d)
        return out;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const QByteArray device = realPath(dir + '/' + name);
        if (!device.isEmpty())
            out.insert(device, QString::fromUtf8(decodeUdevName(name)));
    }
    ::closedir(d);
    return out;
}

namespace {

QHash<QByteArray, QString> labelsFor(const QList<MountEntry>& mounts)
{
    // Labels are keyed by the resolved device node; mount sources may name it through a link.
    QHash<QByteArray, QString> labels;
    const QHash<QByteArray, QString> byDevice = deviceLabels();
    if (byDevice.isEmpty())
        return labels;
    for (const MountEntry& m : mounts) {
        if (!m.source.startsWith("/dev/"))
            continue;
        const QByteArray real = realPath(m.source);
        if (byDevice.contains(real))
            labels.insert(m.source, byDevice.value(real));
    }
    return labels;
}

} // namespace

QList<MountEntry> currentMounts()
{
    return parseMountInfo(readWholeFile("/proc/self/mountinfo"));
}

QList<Volume> mountedVolumes()
{
    const QList<MountEntry> mounts = currentMounts();
    return drivesFrom(mounts, labelsFor(mounts));
}

std::optional<Volume> volumeFor(const QList<Volume>& drives, std::optional<std::uint64_t> mountId,
                                const QByteArray& realPath)
{
    if (mountId) {
        for (const Volume& v : drives) {
            if (v.mountId == *mountId)
                return v;
        }
        // A known mount that is not a drive (a pseudo file system, or one mounted over).
        return std::nullopt;
    }
    std::optional<Volume> best;
    for (const Volume& v : drives) {
        if (underMountPoint(realPath, v.mountPoint) && (!best || v.mountPoint.size() >= best->mountPoint.size()))
            best = v;
    }
    return best;
}

std::optional<Volume> volumeOf(const QByteArray& path)
{
    if (path.isEmpty())
        return std::nullopt;
    struct statx sx;
    if (::statx(AT_FDCWD, path.constData(), 0, STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    const QList<MountEntry> mounts = currentMounts();
    const QList<Volume> drives = drivesFrom(mounts, labelsFor(mounts));
    std::optional<std::uint64_t> id;
    if (sx.stx_mask & STATX_MNT_ID)
        id = sx.stx_mnt_id;
    return volumeFor(drives, id, realPath(path));
}

std::optional<Volume> currentVolume()
{
    return volumeOf(".");
}

} // namespace bv
