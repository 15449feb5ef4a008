#include "app/ui/logfileframe.h"

#include "app/ui/brisvaneform.h"
#include "platform/messages.h"

namespace bv {

LogFileFrame::LogFileFrame(BrisvaneForm& form, QWidget* parent) : QWidget(parent), m_form(form)
{
    setObjectName(QStringLiteral("LogFileFrame"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void LogFileFrame::showWorkingLog(bool fromDuplicates)
{
    (void)fromDuplicates;
}

void LogFileFrame::LogFileIcon_Click() {}

void LogFileFrame::PrintIcon_Click()
{
    if (!isVisible())
        msgBox(QStringLiteral("Nothing to print."), MsgExclamation);
}

void LogFileFrame::enableSave() {}

void LogFileFrame::clearText() {}

} // namespace bv
