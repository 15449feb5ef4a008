// SPDX-License-Identifier: GPL-3.0-or-later
// bench_restore DIR [runs]: (1) puts 10,000 trashed files of one run back with the restore, against
// a bare loop of rename(2) and unlink of each trash record; (2) opens the restore window on a
// history of 200 runs and a trash of 100,000 entries. DIR gets a data folder, a trash and the
// trees of its own (XDG_DATA_HOME is set to DIR/share before anything reads it).
#include "common/searchlog.h"
#include "restore/restore.h"
#include "restore/ui/restorewindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace bv;

namespace {

QByteArray g_root;

QByteArray dataFolder()
{
    return g_root + "/share/Brisvane";
}
QByteArray trash()
{
    return g_root + "/share/Trash";
}

void writeFile(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
        std::perror(path.constData());
        std::exit(1);
    }
    ::close(fd);
}

QByteArray deletionDate()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
}

struct Trashed
{
    QByteArray original;
    QByteArray name;
};

// `count` files in folders of 100 below `tree`, trashed the way GIO trashes (the file renamed
// into files/, its record into info/), each with its block in a file search's history log.
QList<Trashed> trashRun(const QByteArray& tree, int count, int nameBase, bool keepLog)
{
    QList<Trashed> files;
    SearchLog log;
    if (keepLog && (!log.openInHistory(dataFolder(), RunFeature::FileSearch) ||
                    !log.writeHeader(QDateTime::currentDateTime()) || !log.writeLine(""))) {
        std::fprintf(stderr, "history: %s\n", qPrintable(log.error()));
        std::exit(1);
    }
    QList<QByteArray> lines;
    const QByteArray date = deletionDate();
    for (int i = 0; i < count; ++i) {
        const QByteArray folder = tree + "/d" + QByteArray::number(i / 100);
        if (i % 100 == 0)
            QDir().mkpath(QString::fromUtf8(folder));
        const QByteArray name = "file" + QByteArray::number(nameBase + i) + ".tmp";
        const QByteArray original = folder + '/' + name;
        writeFile(original, "x");
        if (::rename(original.constData(), (trash() + "/files/" + name).constData()) != 0) {
            std::perror("rename");
            std::exit(1);
        }
        writeFile(trash() + "/info/" + name + ".trashinfo",
                  "[Trash Info]\nPath=" + original + "\nDeletionDate=" + date + "\n");
        files.append({original, name});
        if (keepLog)
            lines += {original, "...File Size is  1 Bytes", "ACTION: Recycle Bin", ""};
    }
    if (keepLog && !log.writeLines(lines))
        std::exit(1);
    return files;
}

void freshTrash()
{
    QDir(QString::fromUtf8(g_root + "/share")).removeRecursively();
    QDir(QString::fromUtf8(g_root + "/tree")).removeRecursively();
    QDir().mkpath(QString::fromUtf8(trash() + "/files"));
    QDir().mkpath(QString::fromUtf8(trash() + "/info"));
    QDir().mkpath(QString::fromUtf8(dataFolder()));
}

double bareLoop(int count)
{
    freshTrash();
    const QList<Trashed> files = trashRun(g_root + "/tree", count, 0, false);
    ::sync();
    QElapsedTimer t;
    t.start();
    for (const Trashed& f : files) {
        if (::rename((trash() + "/files/" + f.name).constData(), f.original.constData()) != 0)
            std::perror("rename");
        ::unlink((trash() + "/info/" + f.name + ".trashinfo").constData());
    }
    return double(t.nsecsElapsed()) / 1e9;
}

double restoreRun(int count)
{
    freshTrash();
    trashRun(g_root + "/tree", count, 0, true);
    ::sync();
    const RestoreView view = RestoreView::load(dataFolder(), trash());
    const QList<FileNow> files = view.filesOf(view.runs().first().run.id);
    QElapsedTimer t;
    t.start();
    const RestoreReport report = restoreFiles(dataFolder(), view.runs().first().run, files);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (report.putBack != count)
        std::fprintf(stderr, "only %d of %d put back\n", report.putBack, count);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_restore DIR [runs]\n");
        return 2;
    }
    g_root = QByteArray(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    ::setenv("XDG_DATA_HOME", (g_root + "/share").constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    constexpr int kFiles = 10000;
    double bare = 1e9, ours = 1e9;
    for (int i = 0; i < runs; ++i) {
        bare = std::min(bare, bareLoop(kFiles));
        ours = std::min(ours, restoreRun(kFiles));
    }
    std::printf("restore of %d files: bare rename+unlink %.3f s, restore %.3f s, ratio %.2f (target <= 1.3)\n", kFiles,
                bare, ours, ours / bare);

    // 200 runs of 50 files each; 90,000 more entries in the trash that no run made.
    freshTrash();
    constexpr int kRuns = 200, kPerRun = 50, kOthers = 90000;
    for (int r = 0; r < kRuns; ++r)
        trashRun(g_root + "/tree/r" + QByteArray::number(r), kPerRun, r * kPerRun, true);
    QList<Trashed> unrelated = trashRun(g_root + "/tree/other", kOthers, 1000000, false);
    std::printf("history: %lld runs, trash: %lld entries\n", qlonglong(listRunHistory(dataFolder()).size()),
                qlonglong(QDir(QString::fromUtf8(trash() + "/info")).count() - 2));
    double read = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const RestoreView view = RestoreView::load(dataFolder(), trash());
        read = std::min(read, double(t.nsecsElapsed()) / 1e9);
    }
    std::printf("reading the history and the trash: %.0f ms\n", read * 1000);
    double open = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        RestoreWindow window(dataFolder());
        window.reload();
        window.show();
        QCoreApplication::processEvents();
        open = std::min(open, double(t.nsecsElapsed()) / 1e9);
        if (window.runList()->topLevelItemCount() != kRuns)
            std::fprintf(stderr, "the window lists %d runs\n", window.runList()->topLevelItemCount());
    }
    std::printf("opening the restore window: %.0f ms (target <= 300 ms)\n", open * 1000);
    return 0;
}
