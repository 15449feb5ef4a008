// Brisvane: finds files that waste disk space and removes them safely.
#include "app/appstate.h"
#include "app/ui/brisvaneform.h"
#include "platform/appfolder.h"
#include "platform/messages.h"
#include "platform/ui/messagebox_qt.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisvane"));
    bv::QtMessageService messages;
    bv::setMessageService(&messages);

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
    form.Form_Load();
    return app.exec();
}
