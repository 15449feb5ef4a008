// SPDX-License-Identifier: GPL-3.0-or-later
// Times a whole duplicate search as the user runs it: the panel filled in ("*.*", hidden files
// and folders included), Begin pressed, offscreen, with the status line, the counters and the
// event loop live and the log written, and every group passed over as a user pressing Continue
// without looking would (the review's reading and display skipped). The reference is the shell
// pipeline that lists the duplicated names of a tree:
//
//   LC_ALL=C find TREE -xdev -type f -printf '%f\n' | sort -f | uniq -di
//
// Best of RUNS warm runs each, alternating. It also prints the run's peak heap per file entry
// (every allocation of the process counted, from just before Begin), a pass that reads and logs
// every row of every group (what reviewing everything costs), and the time to open a group of
// 10,000 same-named files: from the group's turn to its window painted with the rows in sight,
// and to the last row read while it is on show.
//
//   bench_dup_search TREE [RUNS]
#include "app/ui/mainwindow.h"
#include "bench/common/window_rig.h"
#include "common/headlessuser.h"
#include "duplicates/duplicaterun.h"
#include "duplicates/ui/dupfilesframe.h"
#include "duplicates/ui/duprowsview.h"
#include "duplicates/ui/duplicatereviewwindow.h"
#include "common/ui/dirlist.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Heap accounting: every malloc of the process (Qt's included) passes through here.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {

std::atomic<long long> g_inUse{0};
std::atomic<long long> g_peak{0};
// Only the run that measures memory keeps the peak (what is in use is always kept, so that
// blocks made before it and freed during it are accounted right).
std::atomic<bool> g_counting{false};

void account(long long delta)
{
    const long long now = g_inUse.fetch_add(delta, std::memory_order_relaxed) + delta;
    if (!g_counting.load(std::memory_order_relaxed))
        return;
    long long peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

void* counted(void* p)
{
    if (p)
        account((long long)malloc_usable_size(p));
    return p;
}

} // namespace

extern "C" {
void* malloc(size_t n)
{
    return counted(__libc_malloc(n));
}
void* calloc(size_t n, size_t size)
{
    return counted(__libc_calloc(n, size));
}
void free(void* p)
{
    if (p)
        account(-(long long)malloc_usable_size(p));
    __libc_free(p);
}
void* realloc(void* p, size_t n)
{
    const long long before = p ? (long long)malloc_usable_size(p) : 0;
    void* q = __libc_realloc(p, n);
    if (q) {
        account((long long)malloc_usable_size(q) - before);
    } else if (n == 0 && p) {
        account(-before);
    }
    return q;
}
void* memalign(size_t alignment, size_t n)
{
    return counted(__libc_memalign(alignment, n));
}
void* aligned_alloc(size_t alignment, size_t n)
{
    return counted(__libc_memalign(alignment, n));
}
int posix_memalign(void** out, size_t alignment, size_t n)
{
    void* p = __libc_memalign(alignment, n);
    if (!p)
        return ENOMEM;
    *out = counted(p);
    return 0;
}
}

using namespace bv;

namespace {

double timePipeline(const std::string& tree, long* lines)
{
    QElapsedTimer t;
    t.start();
    const std::string cmd = "LC_ALL=C find '" + tree +
                            "' -xdev -type f -printf '%f\\n' | sort -f | uniq -di | wc -l > /tmp/bv-dup-bench.out";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "the pipeline failed\n");
    const double s = t.nsecsElapsed() / 1e9;
    if (FILE* f = std::fopen("/tmp/bv-dup-bench.out", "r")) {
        if (std::fscanf(f, "%ld", lines) != 1)
            *lines = -1;
        std::fclose(f);
    }
    return s;
}

struct DupPanel
{
    MainWindow* form;
    FindDuplicatesPanel* frame;

    QWidget* child(const char* name) const { return frame->findChild<QWidget*>(QString::fromLatin1(name)); }

    // Fills the panel as a user would and presses Begin; seconds until the click returns.
    double search(const QByteArray& tree)
    {
        frame->onResetClicked();
        qobject_cast<QComboBox*>(child("SearchPattern2"))->setEditText(QStringLiteral("*.*"));
        for (const char* box : {"dRecycle", "dIgnore", "dHiddenFiles", "dHiddenDir"})
            qobject_cast<QCheckBox*>(child(box))->setChecked(false);
        qobject_cast<DirList*>(child("Dir2"))->setPath(tree);
        frame->onFolderOpened();
        QElapsedTimer t;
        t.start();
        qobject_cast<QPushButton*>(child("dBeginButton"))->click();
        return t.nsecsElapsed() / 1e9;
    }
};

// A tree of `count` folders each holding one "Same.dat" (sparse, sizes all different).
QByteArray makeGroupTree(const QTemporaryDir& dir, int count)
{
    const QByteArray root = QFile::encodeName(dir.path());
    for (int i = 0; i < count; ++i) {
        const QByteArray folder = root + "/f" + QByteArray::number(i);
        ::mkdir(folder.constData(), 0755);
        const int fd = ::open((folder + "/Same.dat").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::ftruncate(fd, 100 + i) != 0)
            std::fprintf(stderr, "cannot make %s\n", folder.constData());
        ::close(fd);
    }
    return root;
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
    form.openFeature(QStringLiteral("NewFilesOption"));
    DupPanel panel{&form, static_cast<FindDuplicatesPanel*>(form.panel(QStringLiteral("NewFilesOption")))};

    // 1. The search with the review passed over, against the pipeline.
    long groups = 0, rows = 0;
    DuplicateRun& run = panel.frame->duplicateRun();
    run.passOver = [&](std::size_t files) {
        ++groups;
        rows += long(files);
        return true;
    };
    long pipelineLines = 0;
    timePipeline(tree, &pipelineLines); // warm the cache
    g_counting = true;
    const long long before = g_inUse.load();
    g_peak.store(before);
    groups = rows = 0;
    panel.search(args.tree);
    const long long peak = g_peak.load() - before;
    g_counting = false;
    const std::int64_t files = form.run().FilesMatched;
    const long groupsPerRun = groups;
    const long rowsPerRun = rows;

    double bestPipe = 1e9, bestSearch = 1e9;
    for (int i = 0; i < args.runs; ++i) {
        bestPipe = std::min(bestPipe, timePipeline(tree, &pipelineLines));
        bestSearch = std::min(bestSearch, panel.search(args.tree));
    }
    std::printf("tree %s: %lld files entered, %ld groups (%ld rows); the pipeline finds %ld names\n", tree.c_str(),
                (long long)files, groupsPerRun, rowsPerRun, pipelineLines);
    std::printf("pipeline (find | sort -f | uniq -di): %.3f s\n", bestPipe);
    std::printf("duplicate search, review passed over: %.3f s  (%.2f x the pipeline)\n", bestSearch,
                bestSearch / bestPipe);
    std::printf("peak heap of the run: %.1f MB, %.1f bytes per file entry\n", peak / 1e6,
                files ? double(peak) / double(files) : 0.0);

    // 2. Every group read and logged, then continued (what reviewing everything costs): the same
    // run, its user a script that continues every group.
    {
        HeadlessUser user;
        RunValues values;
        DuplicateRun headless(form.program(), values, user, user);
        DuplicateRunOptions options;
        options.entries.pattern2 = QStringLiteral("*.*");
        options.entries.ignoreInstallation = options.entries.recycle = false;
        options.entries.ignoreHiddenFiles = options.entries.ignoreHiddenDirs = false;
        options.folder = args.tree;
        options.folderChosen = true;
        QElapsedTimer t;
        t.start();
        if (headless.begin(options) == DuplicateRun::Start::Started)
            headless.run();
        std::printf("every row read and logged, every group continued: %.3f s (%lld files checked)\n",
                    t.nsecsElapsed() / 1e9, (long long)values.FilesChecked);
    }
    // 3. Opening a group of 10,000 same-named files: the first screen (the rows in sight read
    // and logged, the window shown and painted), then the rest read and logged while it is on
    // show, until the last row is in.
    QTemporaryDir groupDir;
    const QByteArray groupTree = makeGroupTree(groupDir, 10000);
    QElapsedTimer open;
    std::vector<double> firstScreen, allIn;
    double painted = 0;
    run.passOver = [&](std::size_t) {
        open.start();
        painted = 0;
        return false;
    };
    // The first paint of the rows is what the user sees first; the rest is read from then on.
    DuplicateReviewWindow& w = *panel.frame->reviewWindow();
    QObject::connect(w.rowsView(), &DupRowsView::painted, [&] {
        if (painted == 0 && open.isValid()) {
            painted = open.nsecsElapsed() / 1e6;
            firstScreen.push_back(painted);
        }
    });
    // Once every row is in, the user presses Continue.
    QTimer user;
    user.setInterval(1);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!w.isVisible() || painted == 0 || w.isReading())
            return;
        allIn.push_back(open.nsecsElapsed() / 1e6);
        if (w.rowCount() != 10000)
            std::fprintf(stderr, "the group holds %d rows\n", w.rowCount());
        open.invalidate();
        w.onContinueClicked();
    });
    user.start();
    for (int i = 0; i < std::max(1, args.runs); ++i)
        panel.search(groupTree);
    // Best, median and worst: on a busy machine the spread is the point.
    auto spread = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return std::array<double, 3>{v.front(), v[v.size() / 2], v.back()};
    };
    const auto first = spread(firstScreen), all = spread(allIn);
    std::printf("opening a group of 10,000 rows, %zu runs (best / median / worst):\n", firstScreen.size());
    std::printf("  first screen (rows in sight read and logged, window shown and painted): %.1f / %.1f / %.1f ms\n",
                first[0], first[1], first[2]);
    std::printf("  every row read and logged while on show: %.1f / %.1f / %.1f ms\n", all[0], all[1], all[2]);
    return rig.messages.shown == 0 ? 0 : 1;
}
