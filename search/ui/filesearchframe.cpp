#include "search/ui/filesearchframe.h"

#include "app/ui/brisvaneform.h"

namespace bv {

FileSearchFrame::FileSearchFrame(BrisvaneForm& form, QWidget* parent) : PrintSurface(parent), m_form(form)
{
    setObjectName(QStringLiteral("FileSearchFrame"));
}

void FileSearchFrame::ResetFileSearch()
{
    clearPrints();
    m_form.state().FilesMatched = 0;
    m_form.state().FilesChecked = 0;
    m_form.state().FilesRemoved = 0;
    m_form.state().BytesReclaimed = 0;
}

} // namespace bv
