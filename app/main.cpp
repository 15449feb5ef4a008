// Brisvane: finds files that waste disk space and removes them safely.
#include "app/appstate.h"
#include "app/ui/brisvaneform.h"
#include "platform/appfolder.h"
#include "platform/messages.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/ui/quitsignals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisvane"));
    bv::QtMessageService messages;
    bv::setMessageService(&messages);
    // From here a kill or a logout ends the program cleanly, through its event loop. It may come
    // before the main loop runs (while the window is being shown), when quit() would be lost.
    bv::BrisvaneForm* formPtr = nullptr;
    bool quitAsked = false;
    bv::onQuitRequests([&formPtr, &quitAsked] {
        quitAsked = true;
        if (formPtr)
            formPtr->quitRequested();
    });

    bv::AppState state;
    QString error;
    state.AppFolder = bv::prepareAppFolder(&error);
    if (state.AppFolder.isEmpty()) {
        bv::msgBox(QStringLiteral("Brisvane cannot start: its data folder could not be created (%1).").arg(error),
                   bv::MsgCritical);
        return 1;
    }
    bv::SingleInstance instance(state.AppFolder);
    if (!instance.acquired()) {
        bv::msgBox(QStringLiteral("Brisvane is already running."), bv::MsgExclamation);
        return 0;
    }

    bv::BrisvaneForm form(state);
    formPtr = &form;
    form.Form_Load();
    if (quitAsked) {
        form.quitRequested();
        return 0;
    }
    return app.exec();
}
