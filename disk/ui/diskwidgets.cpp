#include "disk/ui/diskwidgets.h"

#include "common/ui/layout.h"
#include "platform/twips.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace bv::disk {

void paintEtchedLine(QPainter& painter, int greyY, int whiteY, int right)
{
    painter.setPen(QColor::fromRgb(layout::kDarkGrey));
    painter.drawLine(twPoint(15, greyY), twPoint(right, greyY));
    painter.setPen(Qt::white);
    painter.drawLine(twPoint(15, whiteY), twPoint(right, whiteY));
}

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    window->move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

} // namespace bv::disk
