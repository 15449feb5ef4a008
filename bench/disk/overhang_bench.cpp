// SPDX-License-Identifier: GPL-3.0-or-later
// Times a whole cluster overhang search as the user runs it: the main window up offscreen, the
// Cluster Overhang window open over it with the tree presented as its only drive, Start
// pressed, the status line, the progress strip, the printed figures and the event loop live.
// GNU find printing every file's size is the reference. Best of N warm runs each.
//
// Before timing, the figures are checked against find's: the same number of files and the same
// total size (the tree has no hard links and no symbolic links).
//
//   bench_overhang TREE [RUNS]
#include "app/ui/mainwindow.h"
#include "common/ui/printsurface.h"
#include "bench/common/window_rig.h"
#include "disk/overhang.h"
#include "disk/ui/overhangwindow.h"
#include "common/ui/drivelist.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

using namespace bv;

namespace {

struct Timing
{
    double wall = 0;
    double user = 0;
    double sys = 0;
    double cpu() const { return user + sys; }
    Timing operator-(const Timing& o) const { return {wall - o.wall, user - o.user, sys - o.sys}; }
};

// CPU seconds (user, system) that `who` has used so far; wall time is the caller's.
Timing cpuNow(int who)
{
    rusage u{};
    ::getrusage(who, &u);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {0, sec(u.ru_utime), sec(u.ru_stime)};
}

// `find TREE -xdev -type f -printf '%s\n'`: the sizes the overhang search adds up.
Timing timeFindSizes(const std::string& tree)
{
    const Timing before = cpuNow(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    const std::string cmd = "find '" + tree + "' -xdev -type f -printf '%s\\n' > /dev/null";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "find failed\n");
    Timing spent = cpuNow(RUSAGE_CHILDREN) - before;
    spent.wall = t.nsecsElapsed() / 1e9;
    return spent;
}

struct Totals
{
    unsigned long long files = 0;
    unsigned long long bytes = 0;
};

Totals findTotals(const std::string& tree)
{
    Totals t;
    const std::string cmd = "find '" + tree + "' -xdev -type f -printf '%s\\n'";
    FILE* p = ::popen(cmd.c_str(), "r");
    unsigned long long size = 0;
    while (p && std::fscanf(p, "%llu", &size) == 1) {
        ++t.files;
        t.bytes += size;
    }
    if (p)
        ::pclose(p);
    return t;
}

struct Run
{
    Timing time;
    QString filesPrinted;
    std::uint64_t bytes = 0;
};

Run searchOnce(PanelHost& host, const QByteArray& tree)
{
    ClusterOverhangWindow window(host);
    window.driveList()->setDrives({{tree, QStringLiteral("bench tree")}}, tree);
    window.onOpened();
    window.show();
    QApplication::processEvents();
    const Timing before = cpuNow(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    window.onStartClicked();
    Run r;
    r.time = cpuNow(RUSAGE_SELF) - before;
    r.time.wall = t.nsecsElapsed() / 1e9;
    r.filesPrinted = window.surface()->printedAt(ClusterOverhangWindow::kFilesX, ClusterOverhangWindow::kFilesY);
    r.bytes = window.tally().totalFileSizes();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Args args = bench::parseArgs(argc, argv);
    if (args.tree.isEmpty())
        return 2;
    const std::string tree = args.tree.toStdString();

    bench::MainWindowRig rig;
    MainWindow& form = *rig.form;

    const Totals expected = findTotals(tree);
    const Run check = searchOnce(form, args.tree); // also warms the cache
    const bool agrees =
        check.filesPrinted == filesScannedText(expected.files) && check.bytes == std::uint64_t(expected.bytes);
    std::printf("find: %llu files, %llu bytes; overhang search: %s files, %llu bytes  %s\n", expected.files,
                expected.bytes, qPrintable(check.filesPrinted), static_cast<unsigned long long>(check.bytes),
                agrees ? "(agree)" : "(DISAGREE)");

    // The best run of each side by wall time and by CPU time, runs alternating.
    Timing findWall{1e9, 0, 0}, findCpu{0, 1e9, 0}, searchWall{1e9, 0, 0}, searchCpu{0, 1e9, 0};
    for (int i = 0; i < args.runs; ++i) {
        const Timing f = timeFindSizes(tree);
        const Timing s = searchOnce(form, args.tree).time;
        findWall = f.wall < findWall.wall ? f : findWall;
        findCpu = f.cpu() < findCpu.cpu() ? f : findCpu;
        searchWall = s.wall < searchWall.wall ? s : searchWall;
        searchCpu = s.cpu() < searchCpu.cpu() ? s : searchCpu;
    }
    auto line = [](const char* what, const Timing& wall, const Timing& cpu) {
        std::printf("%-28s wall %.3f s   cpu %.3f s (user %.3f, system %.3f)\n", what, wall.wall, cpu.cpu(), cpu.user,
                    cpu.sys);
    };
    line("find -type f -printf '%s'", findWall, findCpu);
    line("overhang search, whole run", searchWall, searchCpu);
    std::printf("ratio to find: wall %.2fx, cpu %.2fx; %.0f files/s\n", searchWall.wall / findWall.wall,
                searchCpu.cpu() / findCpu.cpu(), double(expected.files) / searchWall.wall);
    setMessageService(nullptr);
    return agrees && rig.messages.shown == 0 ? 0 : 1;
}
