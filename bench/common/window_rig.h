// SPDX-License-Identifier: GPL-3.0-or-later
// The main window offscreen as the window benchmarks drive it: its own data folder, message
// boxes counted instead of waited for, and removals recorded instead of done, so a benchmark
// can never change the tree it measures.
#pragma once

#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "bench/common/bench_common.h"
#include "platform/fileops.h"
#include "platform/messages.h"
#include "tests/support/recording_fileops.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace bv::bench {

struct MainWindowRig
{
    MainWindowRig()
    {
        ops.passThrough = false;
        setMessageService(&messages);
        state.AppFolder = QFile::encodeName(appFolder.path());
        form = std::make_unique<MainWindow>(state);
        form->showAtStart();
    }

    RecordingFileOps ops;
    CountingMessages messages;
    QTemporaryDir appFolder;
    AppState state;
    std::unique_ptr<MainWindow> form;
};

} // namespace bv::bench
