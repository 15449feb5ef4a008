// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/ui/diskwidgets.h"

#include "common/ui/layout.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace bv::disk {

namespace {

// Where a figure's own font is kept while it is condensed.
constexpr const char* kDesignedFont = "bvDesignedFont";
// What condenseToFit leaves free at the right of a caption.
constexpr double kFigureGapPx = 3;

} // namespace

void condenseFigureToFit(QLabel* figure)
{
    // The designed font first, so a smaller figure after a larger one gets its size back.
    QFont designed = figure->property(kDesignedFont).value<QFont>();
    if (!figure->property(kDesignedFont).isValid()) {
        designed = figure->font();
        figure->setProperty(kDesignedFont, designed);
    }
    figure->setFont(designed);
    // Some boxes were designed to reach past the window's edge: the text must end inside both.
    const int visible = figure->parentWidget() ? figure->parentWidget()->width() - figure->x() : figure->width();
    const int box = figure->width();
    if (visible < box)
        figure->resize(visible, figure->height());
    condenseToFit(figure);
    const double room = figure->width() - kFigureGapPx;
    QFont f = figure->font();
    for (double points = f.pointSizeF(); points > 4 && QFontMetricsF(f).horizontalAdvance(figure->text()) > room;) {
        points -= 0.25;
        f.setPointSizeF(points);
    }
    figure->setFont(f);
    figure->resize(box, figure->height());
}

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
