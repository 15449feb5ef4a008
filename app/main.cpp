// SPDX-License-Identifier: GPL-3.0-or-later
// Brisvane: finds files that waste disk space and removes them safely.
#include "common/appstate.h"
#include "common/commandline.h"
#include "app/ui/mainwindow.h"
#include "app/ui/iconbar.h"
#include "platform/appfolder.h"
#include "platform/filesizelimit.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/ui/designedlook.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/ui/quitsignals.h"

#include <QApplication>
#include <QTimer>

namespace {

const bv::CommandLineSpec kCommandLine{
    QStringLiteral("brisvane"),
    QStringLiteral("Brisvane"),
    QStringLiteral("Brisvane finds files that waste disk space and removes them safely."),
    true,
    {},
    true};

} // namespace

int main(int argc, char** argv)
{
    bv::letWritesFailAtFileSizeLimit();
    // --help, --version and a mistake on the command line are answered before the display is
    // opened, so they work without one.
    if (const std::optional<int> rc = bv::answerEarly(kCommandLine, argc, argv))
        return *rc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisvane"));
    QApplication::setApplicationVersion(QStringLiteral(BV_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(BV_DESKTOP_ID)); // its desktop entry: icon and name
    QApplication::setWindowIcon(bv::appIcon());                         // every window's, dialogs too
    bv::useDesignedLook(); // the designed colours under a dark desktop theme too
    const std::optional<bv::CommandLineRequest> request = bv::parseRequest(kCommandLine, argc, argv);
    if (!request)
        return 2;
    bv::QtMessageService messages;
    bv::setMessageService(&messages);
    // From here a kill or a logout ends the program cleanly, through its event loop. It may come
    // before the main loop runs (while the window is being shown), when quit() would be lost.
    bv::MainWindow* formPtr = nullptr;
    bool quitAsked = false;
    bv::onQuitRequests([&formPtr, &quitAsked] {
        quitAsked = true;
        if (formPtr)
            formPtr->quitRequested();
        else
            QCoreApplication::exit(0); // a box shown before the window (no data folder) ends too
    });

    bv::AppState state;
    const bv::StartFolder start = bv::resolveStartFolder(request->folder);
    state.StartFolder = start.path;
    QString error;
    state.AppFolder = bv::prepareAppFolder(&error);
    state.HistoryFolder = state.AppFolder;
    if (state.AppFolder.isEmpty()) {
        bv::msgBox(QStringLiteral("Brisvane cannot start: its data folder could not be created (%1).").arg(error),
                   bv::MsgCritical);
        return 1;
    }
    bv::SingleInstance instance(state.AppFolder);
    if (instance.heldByAnother()) {
        bv::msgBox(QStringLiteral("Brisvane is already running."), bv::MsgExclamation);
        return 0;
    }
    if (!instance.acquired()) {
        bv::msgBox(QStringLiteral("Brisvane cannot start: its data folder %1 cannot be written (%2).")
                       .arg(bv::displayPath(state.AppFolder), instance.failure()),
                   bv::MsgCritical);
        return 1;
    }

    bv::MainWindow form(state);
    formPtr = &form;
    form.showAtStart();
    if (quitAsked) {
        form.quitRequested();
        form.removeWorkingFiles();
        return 0;
    }
    // A folder that cannot be used is told over the main window; the program goes on without it.
    if (!start.problem.isEmpty())
        bv::msgBox(start.problem, bv::MsgExclamation);
    // --restore-last: the restore window on the last run, once the main window is up.
    if (request->restoreLast)
        QTimer::singleShot(0, &form, [&form] { form.openFeature(QStringLiteral("RestoreOption")); });
    // A request to end that came while that box was up: exec() would start afresh and miss it.
    const int status = form.quitting() ? 0 : app.exec();
    // However the program ends (a close, a signal, the session's end), a run still open has
    // finished its log by now: the working files go last.
    form.removeWorkingFiles();
    return status;
}
