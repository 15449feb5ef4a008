#include "duplicates/ui/dupfilesframe.h"

#include "app/ui/counters.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"

#include <QLabel>
#include <QPushButton>

namespace bv {

DupFilesFrame::DupFilesFrame(PanelHost& host, QWidget* parent) : PrintSurface(parent), m_host(host)
{
    setObjectName(QStringLiteral("DupFilesFrame"));
    setGeometry(twRect(15, 570, 6660, 5145));
    setBackColor(Qt::white);
    setForeColor(Qt::red);
    setFont(arialFont(8.25, true));
    setMouseTracking(true);
    auto* notice = new QLabel(QStringLiteral("Find Duplicates is not built yet in this version of Brisvane."), this);
    notice->setObjectName(QStringLiteral("NotBuiltYet"));
    notice->setGeometry(twRect(90, 450, 6400, 255));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("dCancelButton"));
    cancel->setGeometry(twRect(5430, 4605, 1125, 405));
    connect(cancel, &QPushButton::clicked, this, &DupFilesFrame::dCancelButton_Click);
}

void DupFilesFrame::opened()
{
    m_host.letMessagesBeProcessed();
    m_host.focusDummy();
}

void DupFilesFrame::reprintCounters()
{
    printCounters(*this, m_host.run());
}

void DupFilesFrame::dCancelButton_Click()
{
    clearPrints();
    m_host.closePanel(*this);
}

void DupFilesFrame::mouseMoveEvent(QMouseEvent* event)
{
    const SearchState state = m_host.program().SearchState;
    if (state == SearchState::Running)
        setScreenPointer(11);
    else if (state != SearchState::Reviewing)
        m_host.printStatusRaw(QString(105, QLatin1Char(' ')));
    PrintSurface::mouseMoveEvent(event);
}

} // namespace bv
