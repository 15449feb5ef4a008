// SPDX-License-Identifier: GPL-3.0-or-later
// Times a Quick Clean sample run as the user starts it: the window over the main window,
// offscreen, the tree presented as the only drive, the four type boxes ticked (the temporary
// folder's box too, as it starts) and Start pressed, with the status line, the progress strip
// and the event loop live. The reference is GNU find listing the same files with their sizes.
// Best of N warm runs each; the program fails if the sample run and find disagree.
//
//   bench_quick_clean TREE [RUNS]
//
// The folder that holds the tree is presented as the temporary folder: run as root, a clean
// reaches only the temporary folder and root's home, so this puts the whole tree within reach,
// while the temporary folder's own rule (every file directly in it) takes no file of the tree.
#include "app/ui/mainwindow.h"
#include "bench/common/window_rig.h"
#include "platform/paths.h"
#include "quickclean/ui/quickcleanwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace bv;

namespace {

const char* const kFindTypes =
    R"( -xdev -type f \( -iname '*.tmp' -o -iname '*.bak' -o -iname '*.fts' -o -iname '*.$$$' \) -printf '%s\n')";

double timeFind(const std::string& tree)
{
    QElapsedTimer t;
    t.start();
    const std::string cmd = "find '" + tree + "'" + kFindTypes + " > /dev/null";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "find failed\n");
    return t.nsecsElapsed() / 1e9;
}

// What find lists: the number of files and their bytes (an untimed run).
std::pair<long long, long long> findTotals(const std::string& tree)
{
    const std::string cmd = "find '" + tree + "'" + kFindTypes;
    FILE* p = ::popen(cmd.c_str(), "r");
    long long files = 0, bytes = 0;
    if (!p)
        return {-1, -1};
    char line[64];
    while (std::fgets(line, sizeof line, p)) {
        ++files;
        bytes += std::atoll(line);
    }
    ::pclose(p);
    return {files, bytes};
}

long long digits(const QString& text)
{
    QString d = text;
    d.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    return d.toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Args args = bench::parseArgs(argc, argv);
    if (args.tree.isEmpty())
        return 2;
    const QByteArray tree = args.tree;

    // A sample run removes nothing; should it ever try, the recorder does not act.
    bench::MainWindowRig rig;
    MainWindow& form = *rig.form;

    double bestFind = 1e9, bestClean = 1e9;
    long long found = 0, bytes = 0;
    timeFind(tree.toStdString()); // warm the cache
    for (int i = 0; i < args.runs; ++i) {
        bestFind = std::min(bestFind, timeFind(tree.toStdString()));

        QuickCleanWindow window(form, &form);
        window.setDrives({{tree, QStringLiteral("bench")}}, tree);
        window.setTempFolder(folderOf(tree));
        for (const char* box : {"TempCheck", "BakCheck", "FtsCheck", "DoeCheck", "SampleCheck"})
            window.findChild<QCheckBox*>(QString::fromLatin1(box))->click();
        window.show();
        QElapsedTimer t;
        t.start();
        window.onStartClicked();
        bestClean = std::min(bestClean, t.nsecsElapsed() / 1e9);
        found = digits(window.findChild<QLabel*>(QStringLiteral("Killed"))->text());
        bytes = digits(window.findChild<QLabel*>(QStringLiteral("ReclaimedBytes"))->text());
    }
    const auto [findFiles, findBytes] = findTotals(tree.toStdString());
    const bool same = found == findFiles && bytes == findBytes;
    std::printf("files found                %lld, %lld bytes (find: %lld, %lld bytes%s)\n", found, bytes, findFiles,
                findBytes, same ? "" : " -- DIFFERENT");
    std::printf("removal calls %lld, messages %d\n",
                static_cast<long long>(rig.ops.ops().count("trash") + rig.ops.ops().count("remove")),
                rig.messages.shown);
    std::printf("find -iname x4 -printf %%s  %.3f s\n", bestFind);
    std::printf("quick clean, sample run    %.3f s  (%.2fx find)\n", bestClean, bestClean / bestFind);
    setMessageService(nullptr);
    return same && rig.messages.shown == 0 ? 0 : 1;
}
