// SPDX-License-Identifier: GPL-3.0-or-later
// Times a whole file search as the user runs it: the panel filled in, Begin pressed, offscreen,
// with the status line, the counters and the event loop live, and the log written; then the very
// same run without a window (HeadlessUser), against the bare walk with one lstat per file. The
// criterion matches no file, so every file is statted and tested and nothing is removed (the
// file operations are replaced by a recorder that never acts, in case one did match). GNU find
// printing each file's size and access time is the reference. Best of N warm runs each.
//
//   bench_file_search TREE [RUNS]
#include "bench/common/window_rig.h"
#include "app/ui/mainwindow.h"
#include "common/headlessuser.h"
#include "common/walk.h"
#include "platform/paths.h"
#include "common/ui/dirlist.h"
#include "search/filesearchrun.h"
#include "search/ui/filesearchframe.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace bv;

namespace {

struct Bare : WalkHooks
{
    std::int64_t files = 0;
    bool stopRequested() override { return false; }
    void file(const WalkFile&) override { ++files; }
};

// The bare engine: every file and folder, hidden ones too, one lstat per file.
double timeBareWalk(const QByteArray& tree)
{
    Bare hooks;
    WalkOptions o;
    o.start = tree;
    o.files = FileClass::All;
    o.dirs = DirClass::All;
    o.patterns = {"*.*"};
    o.statFiles = true;
    QElapsedTimer t;
    t.start();
    walkTree(o, hooks);
    return t.nsecsElapsed() / 1e9;
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
    const int runs = args.runs;

    bench::MainWindowRig rig;
    MainWindow& form = *rig.form;
    form.openFeature(QStringLiteral("FileSearchOption"));
    auto* panel = static_cast<FileSearchFrame*>(form.panel(QStringLiteral("FileSearchOption")));
    auto child = [panel](const char* name) { return panel->findChild<QWidget*>(QString::fromLatin1(name)); };

    double bestFind = 1e9, bestSearch = 1e9;
    bench::timeFind(tree.toStdString()); // warm the cache
    for (int i = 0; i < runs; ++i) {
        bestFind = std::min(bestFind, bench::timeFind(tree.toStdString()));

        panel->resetPanel();
        // Every file, hidden ones and hidden folders too; "used after" a day that has not come.
        qobject_cast<QComboBox*>(child("SearchPattern0"))->setEditText(QStringLiteral("*.*"));
        qobject_cast<QComboBox*>(child("InstructionList"))->setEditText(QStringLiteral("have been used"));
        qobject_cast<QLineEdit*>(child("DateText"))->setText(QStringLiteral("2099-01-01"));
        qobject_cast<QCheckBox*>(child("VerifyCheck"))->setChecked(false);
        qobject_cast<QCheckBox*>(child("IgnoreCheck"))->setChecked(false);
        qobject_cast<QCheckBox*>(child("IgnoreDir"))->setChecked(false);
        panel->findChild<DirList*>(QStringLiteral("Dir1"))->setPath(tree);
        panel->onFolderOpened();

        QElapsedTimer t;
        t.start();
        panel->onBeginClicked();
        bestSearch = std::min(bestSearch, t.nsecsElapsed() / 1e9);
    }
    // The same criteria through the run alone, as a test or the command line drives it.
    const FileSearchCriteria criteria = panel->criteria();
    double bestBare = 1e9, bestHeadless = 1e9;
    for (int i = 0; i < runs; ++i) {
        bestBare = std::min(bestBare, timeBareWalk(tree));
        AppState program;
        program.AppFolder = rig.state.AppFolder;
        RunValues values;
        HeadlessUser user;
        FileSearchRun run(criteria, program, values, user);
        QElapsedTimer t;
        t.start();
        run.run();
        bestHeadless = std::min(bestHeadless, t.nsecsElapsed() / 1e9);
    }
    const long long files = static_cast<long long>(form.run().FilesMatched);
    std::printf("files                      %lld (checked %lld, removal calls %lld, messages %d)\n", files,
                static_cast<long long>(form.run().FilesChecked), static_cast<long long>(rig.ops.calls.size()),
                rig.messages.shown);
    std::printf("find -printf '%%s %%A@'      %.3f s\n", bestFind);
    std::printf("file search, whole run     %.3f s  (%.2fx find, %.0f files/s)\n", bestSearch, bestSearch / bestFind,
                files / bestSearch);
    std::printf("bare walk with lstat        %.3f s\n", bestBare);
    std::printf("file search run, headless  %.3f s  (%.2fx the bare walk with lstat)\n", bestHeadless,
                bestHeadless / bestBare);
    setMessageService(nullptr);
    return rig.messages.shown == 0 && form.run().FilesChecked == 0 ? 0 : 1;
}
