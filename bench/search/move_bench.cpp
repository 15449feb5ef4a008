// SPDX-License-Identifier: GPL-3.0-or-later
// A move to another file system, as the move dialog makes it: how long it takes, how much room
// the copy takes there, and how long the dialog would go without a turn of its event loop (the
// longest gap between two progress reports, which the dialog answers clicks and Cancel in, and
// the time from the last report to the end of the move: the flush to disk and the rename).
//
//   bench_move SOURCE_FOLDER DEST_FOLDER [GiB]
//
// The two folders must lie on different file systems (a tmpfs or a loop mount for the
// destination). Makes SOURCE/sparse.img (GiB long, default 2, with 64 KiB of data in its middle)
// and SOURCE/dense.bin (256 MiB of data), moves each to DEST and removes the copies again.
#include "platform/fileops.h"
#include "common/removal.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool makeFile(const QByteArray& path, std::int64_t length, std::int64_t dataAt, std::int64_t dataBytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> chunk(1 << 20, 'd');
    bool ok = true;
    for (std::int64_t at = dataAt; ok && at < dataAt + dataBytes; at += std::int64_t(chunk.size()))
        ok = ::pwrite(fd, chunk.data(),
                      size_t(std::min<std::int64_t>(std::int64_t(chunk.size()), dataAt + dataBytes - at)), at) > 0;
    ok = ok && ::ftruncate(fd, length) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bv::FileInfo infoOf(const QByteArray& path)
{
    struct stat st
    {
    };
    ::lstat(path.constData(), &st);
    return bv::FileInfo::fromStat(st);
}

void moveOne(const char* what, const QByteArray& source, const QByteArray& dest)
{
    const bv::FileInfo listed = infoOf(source);
    QElapsedTimer clock, gap;
    std::int64_t longestGap = 0, reports = 0, lastReport = 0;
    {
        const bv::CopyProgressScope progress([&](std::int64_t, std::int64_t) {
            if (gap.isValid())
                longestGap = std::max<std::int64_t>(longestGap, gap.nsecsElapsed());
            gap.start();
            ++reports;
            lastReport = clock.nsecsElapsed();
            return true;
        });
        clock.start();
        const bv::ActResult r = bv::moveListedFile(source, listed, dest);
        const std::int64_t total = clock.nsecsElapsed();
        const double seconds = double(total) / 1e9;
        if (r.outcome != bv::ActOutcome::Done) {
            std::fprintf(stderr, "%s: not moved: %s\n", what, qPrintable(r.reason));
            return;
        }
        const QByteArray copy = dest + '/' + source.mid(source.lastIndexOf('/') + 1);
        const bv::FileInfo moved = infoOf(copy);
        std::printf("%-10s %6.2f GiB long  %9.3f s  takes %10lld KiB there (%lld KiB before)  %lld reports, "
                    "longest gap %.1f ms, %.1f ms after the last\n",
                    what, double(listed.size) / double(1 << 30), seconds, (long long)(moved.blocks / 2),
                    (long long)(listed.blocks / 2), (long long)reports, double(longestGap) / 1e6,
                    double(total - lastReport) / 1e6);
        ::unlink(copy.constData());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE_FOLDER DEST_FOLDER [GiB]\n", argv[0]);
        return 2;
    }
    const QByteArray source = argv[1], dest = argv[2];
    const std::int64_t gib = argc > 3 ? std::atoll(argv[3]) : 2;
    const QByteArray sparse = source + "/sparse.img", dense = source + "/dense.bin";
    if (!makeFile(sparse, gib << 30, (gib << 30) / 2, 64 << 10) || !makeFile(dense, 256 << 20, 0, 256 << 20)) {
        std::fprintf(stderr, "cannot make the files in %s\n", source.constData());
        return 1;
    }
    moveOne("sparse", sparse, dest);
    moveOne("dense", dense, dest);
    ::unlink(sparse.constData());
    ::unlink(dense.constData());
    return 0;
}
