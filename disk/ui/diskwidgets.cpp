#include "disk/ui/diskwidgets.h"

#include "platform/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace bv::disk {

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(twRect(left, top, width, height));
    return l;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(twPoint(left, top));
    l->adjustSize();
    return l;
}

QLabel* colourBox(QWidget* parent, const char* name, const QColor& colour, int left, int top, int width, int height,
                  bool border)
{
    QLabel* box = label(parent, name, QString(), left, top, width, height);
    box->setAutoFillBackground(true);
    QPalette p = box->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, Qt::black);
    box->setPalette(p);
    if (border) {
        box->setFrameShape(QFrame::Box);
        box->setLineWidth(1);
    }
    return box;
}

void paintEtchedLine(QPainter& painter, int greyY, int whiteY, int right)
{
    painter.setPen(kDarkGrey);
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
