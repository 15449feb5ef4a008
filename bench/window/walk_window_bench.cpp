// SPDX-License-Identifier: GPL-3.0-or-later
// Times the walk as the user runs it: through the main window, offscreen, with the status line
// and the progress strip live and the event loop turning, against the bare engine with one
// lstat per file over the same tree, and GNU find as a reference. Best of N warm runs each.
//
//   bench_walk_window TREE [RUNS]
#include "common/walkdriver.h"
#include "bench/common/window_rig.h"
#include "app/ui/mainwindow.h"
#include "platform/paths.h"
#include "common/walk.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace bv;

namespace {

struct NullHooks : WalkHooks
{
    bool stopRequested() override { return false; }
    void file(const WalkFile& f) override { sum += f.info ? f.info->size : 0; }
    std::int64_t sum = 0;
};

struct NullFeature : FeatureHooks
{
    void file(const WalkFile& f) override { sum += f.info ? f.info->size : 0; }
    std::int64_t sum = 0;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Args args = bench::parseArgs(argc, argv);
    if (args.tree.isEmpty())
        return 2;
    const QByteArray tree = args.tree;
    const int runs = args.runs;

    bench::MainWindowRig rig;
    MainWindow& form = *rig.form;
    form.openFeature(QStringLiteral("FileSearchOption")); // a panel open, as during a search

    WalkOptions options;
    options.start = tree;
    options.statFiles = true;
    options.files = FileClass::All; // every file and folder, as find sees them
    options.dirs = DirClass::All;

    double bestFind = 1e9, bestEngine = 1e9, bestWindow = 1e9;
    std::int64_t files = 0;
    bench::timeFind(tree.toStdString()); // warm the cache
    for (int i = 0; i < runs; ++i) {
        bestFind = std::min(bestFind, bench::timeFind(tree.toStdString()));

        NullHooks bare;
        QElapsedTimer t;
        t.start();
        const WalkResult r = walkTree(options, bare);
        bestEngine = std::min(bestEngine, t.nsecsElapsed() / 1e9);
        files = r.files;

        NullFeature feature;
        form.clearFlood();
        t.restart();
        form.SearchDrive(options, feature);
        bestWindow = std::min(bestWindow, t.nsecsElapsed() / 1e9);
    }
    std::printf("files                      %lld\n", static_cast<long long>(files));
    std::printf("find -printf '%%s %%A@'      %.3f s\n", bestFind);
    std::printf("engine + lstat             %.3f s  (%.2fx find, %.0f files/s)\n", bestEngine, bestEngine / bestFind,
                files / bestEngine);
    std::printf("through the main window    %.3f s  (%.2fx engine + lstat, %.0f files/s)\n", bestWindow,
                bestWindow / bestEngine, files / bestWindow);
    return 0;
}
