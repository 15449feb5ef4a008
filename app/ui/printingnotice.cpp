// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/printingnotice.h"

#include "common/ui/layout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace bv {

namespace {

using namespace bv::layout;

// An empty title: the words are the window's only content.
constexpr ControlSpec kControls[] = {
    {"Label1", Kind::Label, {315, 75, 1365, 315}, "One Moment...", kArial9Bold},
};

constexpr LayoutTable kLayout{{"PrinterForm", "", 1845, 375}, kControls};

} // namespace

const LayoutTable& PrintingNotice::layout()
{
    return kLayout;
}

PrintingNotice::PrintingNotice(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    // A fixed border and an empty title bar without buttons: it cannot be closed or moved
    // out of the way by mistake, and it goes away by itself when printing is done.
    applyForm(this, kLayout);
    m_message = buildLayout(this, kLayout).get<QLabel>("Label1");
}

void PrintingNotice::centreOnScreen(const QWidget* near)
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
