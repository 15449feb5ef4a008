#include "app/ui/printingnotice.h"

#include "platform/twips.h"
#include "platform/ui/fonts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace bv {

PrinterForm::PrinterForm(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    // A fixed border and an empty title bar without buttons: it cannot be closed or moved
    // out of the way by mistake, and it goes away by itself when printing is done.
    setObjectName(QStringLiteral("PrinterForm"));
    setWindowTitle(QString());
    setFixedSize(twSize(1845, 375));

    m_label1 = new QLabel(QStringLiteral("One Moment..."), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(twRect(315, 75, 1365, 315));
    m_label1->setFont(arialFont(9, true));
}

void PrinterForm::Form_Load(const QWidget* near)
{
    QScreen* screen = near ? near->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

} // namespace bv
